#pragma once
#include "app/app_state.h"
#include "app/message.h"

#include <string>

namespace tk {

enum class BootstrapOutcome { Ready, Outdated, Offline };

// What the bootstrap needs from the log-in window.
class BootstrapView {
public:
    virtual ~BootstrapView() = default;
    virtual void hideConnectionPicture() = 0;
    virtual std::string nameLabelCaption() = 0; // GBK
    virtual void showMessage(const Message& m) = 0;
};

// Fixed messages (GBK).
std::string OfflineMessageText();  // "连接服务器失败，请稍后重试"
std::string OutdatedMessageText(); // "当前版本不是最新版本，请立刻更新"

inline constexpr const char* kSetupQuery = "select top 1 * from Setup";
// The Setup columns the client reads (data row 1).
inline constexpr int kSetupLatestVersionColumn = 4;
inline constexpr int kSetupDownloadUrlColumn = 6;
inline constexpr int kSetupNoticeSwitchColumn = 7;
inline constexpr int kSetupNoticeTextColumn = 8;
inline constexpr int kBootstrapRetryMs = 3000;

// Internet check, connect, read the Setup row (retrying every 3 s with a fresh connect until exactly one row
// arrives), then the version gate. Messages go through the view; AppState receives the Setup values.
BootstrapOutcome bootstrap(AppState& app, BootstrapView& view);

} // namespace tk
