#include "ui/update_window.h"

namespace tk {

UpdateWindow::UpdateWindow(AppState& app, QWidget* parent) : BorderlessWindow(parent), m_app(app) {
    setObjectName(QStringLiteral("UpdateWindow"));
    setWindowTitle(QString::fromUtf8("在线更新"));
    setGeometry(50, 50, 400, 300);
    (void)m_app;
}

UpdateWindow* UpdateWindow::open(AppState& app) {
    auto* w = new UpdateWindow(app);
    w->show();
    return w;
}

} // namespace tk

namespace tk {
void CheckForUpdate(AppState& app, MainWindow& main) {
    (void)app;
    (void)main;
}
} // namespace tk
