#pragma once
#include "app/app_state.h"
#include "ui/widgets.h"

namespace tk {

class MainWindow;

// The online-update window the version gate hands over to.
class UpdateWindow : public BorderlessWindow {
    Q_OBJECT
public:
    explicit UpdateWindow(AppState& app, QWidget* parent = nullptr);
    // Constructs and shows it without a parent, not modal; the window then manages its own life.
    static UpdateWindow* open(AppState& app);

private:
    AppState& m_app;
};

// "更   新": re-reads the Setup row; on a new version opens the update window and collapses the main window,
// otherwise says the version is the latest and the main window stays.
void CheckForUpdate(AppState& app, MainWindow& main);

} // namespace tk
