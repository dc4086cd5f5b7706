#pragma once
#include "app/app_state.h"
#include "ui/widgets.h"

namespace tk {

// The online-update window the version gate hands over to. Stand-in until the real one arrives: an empty
// borderless window with its caption.
class UpdateWindow : public BorderlessWindow {
    Q_OBJECT
public:
    explicit UpdateWindow(AppState& app, QWidget* parent = nullptr);
    // Constructs and shows it without a parent, not modal; the window then manages its own life.
    static UpdateWindow* open(AppState& app);

private:
    AppState& m_app;
};

} // namespace tk
