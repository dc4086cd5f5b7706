#include "app/app_state.h"

#include "build_settings.h"

namespace tk {

ClientSettings builtInSettings() {
    return ClientSettings{settings::kGatewayBase, settings::kGatewayPage, settings::kGatewaySymbols,
                          settings::kProbeUrl,    settings::kSearchHost,  settings::kWebSite,
                          settings::kPictureServer};
}

} // namespace tk
