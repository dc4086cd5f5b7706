#include "ui/main_window.h"

#include "ui/png_image.h"

namespace tk {

MainWindow::MainWindow(AppState& app, QWidget* parent) : BorderlessWindow(parent), m_app(app) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QString::fromUtf8("青禾淘客"));
    setGeometry(50, 50, 950, 700);
    TK_PLACE(外形框_导航, ShapeBox, this, 0, 0, 950, 120);
    外形框_导航->setPicture(Picture(QStringLiteral("banner_950.png")));
    外形框_导航->setDragsWindow(true);
    TK_PLACE(图片框_LOGO, PictureBox, 外形框_导航, 5, 5, 20, 20);
    图片框_LOGO->setPicture(Picture(QStringLiteral("logo.png")));
    TK_PLACE(标签_标题, TransparentLabel, 外形框_导航, 30, 0, 80, 30);
    标签_标题->setText(QString::fromUtf8("青禾淘客"));
    标签_标题->setTextColor(Qt::white);
    标签_标题->setFont(UiFont(14));
}

MainWindow* MainWindow::open(AppState& app) {
    auto* w = new MainWindow(app);
    w->show();
    w->onCreated();
    return w;
}

void MainWindow::onCreated() {
    resize(width(), 650);
    (void)m_app;
}

} // namespace tk
