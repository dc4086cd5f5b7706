#include "app/bootstrap.h"

#include "app/internet_check.h"
#include "app/pump.h"
#include "text/encoding.h"
#include "text/numbers.h"

#include <limits>

namespace tk {

std::string OfflineMessageText() {
    static const std::string text = Gbk("连接服务器失败，请稍后重试");
    return text;
}

std::string OutdatedMessageText() {
    static const std::string text = Gbk("当前版本不是最新版本，请立刻更新");
    return text;
}

namespace {
int clampToInt(int64_t v) {
    // Saturate rather than wrap, so that a large non-zero switch never turns into 0.
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}
} // namespace

BootstrapOutcome bootstrap(AppState& app, BootstrapView& view) {
    const ClientSettings& s = app.settings;
    while (true) {
        if (!InternetAvailable(s.probeUrl)) {
            view.showMessage(Message{OfflineMessageText(), MessageIcon::None, {}});
            return BootstrapOutcome::Offline;
        }
        app.gateway = ConnectGateway(app, s.gatewayBase, s.gatewayPage, s.gatewaySymbols, 1, 1);
        app.lastResult = QueryGateway(app.gateway, kSetupQuery);
        if (RowCount(app.lastResult) == 1) break;
        WaitPumping(kBootstrapRetryMs);
    }
    view.hideConnectionPicture();
    app.productName = view.nameLabelCaption();
    app.latestVersion = CellText(app.lastResult, kSetupLatestVersionColumn, 1);
    app.downloadUrl = CellText(app.lastResult, kSetupDownloadUrlColumn, 1);
    app.noticeSwitch = clampToInt(TextToInt64(CellText(app.lastResult, kSetupNoticeSwitchColumn, 1)));
    app.noticeText = CellText(app.lastResult, kSetupNoticeTextColumn, 1);
    if (app.latestVersion != kRunningVersion) {
        view.showMessage(Message{OutdatedMessageText(), MessageIcon::Information, {}});
        return BootstrapOutcome::Outdated;
    }
    return BootstrapOutcome::Ready;
}

} // namespace tk
