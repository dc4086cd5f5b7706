#include "ui/about_window.h"

namespace tk {

void ShowAbout(AppState& app, QWidget* owner) {
    (void)app;
    (void)owner;
}

} // namespace tk
