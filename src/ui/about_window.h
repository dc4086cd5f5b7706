#pragma once
#include "app/app_state.h"
#include "ui/widgets.h"

namespace tk {

// "关   于": re-reads the Setup row and shows the about window modal over owner (which may be null).
void ShowAbout(AppState& app, QWidget* owner);

} // namespace tk
