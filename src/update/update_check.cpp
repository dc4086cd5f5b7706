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
    return VersionOutcome(app.latestVersion);
}

AboutData ShowAbout(AppState& app) {
    rereadLatestVersion(app);
    return MakeAboutData(app.productName, app.latestVersion);
}

} // namespace tk
