#include "app/app_state.h"
#include "app/bootstrap.h"
#include "gateway/gateway_client.h"
#include "update/update_logic.h"

// Kept apart from the pure decisions so that they link without the gateway client.
namespace tk {

namespace {
void rereadLatestVersion(AppState& app) {
    app.lastResult = QueryGateway(app.gateway, kSetupQuery);
    // The row count is not examined: a failed query leaves the empty version.
    app.latestVersion = CellText(app.lastResult, kSetupLatestVersionColumn, 1);
}
} // namespace

UpdateCheckOutcome CheckForUpdate(AppState& app) {
    rereadLatestVersion(app);
    // The address comes from the same row as the version: a version published after start-up must not be
    // fetched from the address read at start-up. A failed read keeps the address we have.
    if (RowCount(app.lastResult) == 1) app.downloadUrl = CellText(app.lastResult, kSetupDownloadUrlColumn, 1);
    return VersionOutcome(app.latestVersion);
}

AboutData ShowAbout(AppState& app) {
    rereadLatestVersion(app);
    return MakeAboutData(app.productName, app.latestVersion);
}

} // namespace tk
