#pragma once
#include "app/app_state.h"
#include "ui/widgets.h"

namespace tk {

// The window a successful log-in opens. Stand-in until the real one with its pages arrives: the same
// figures, title band and creation entry point.
class MainWindow : public BorderlessWindow {
    Q_OBJECT
public:
    explicit MainWindow(AppState& app, QWidget* parent = nullptr);
    // Constructs, shows and runs the creation handler; the window then manages its own life.
    static MainWindow* open(AppState& app);
    void onCreated();

    ShapeBox* 外形框_导航 = nullptr;
    PictureBox* 图片框_LOGO = nullptr;
    TransparentLabel* 标签_标题 = nullptr;

private:
    AppState& m_app;
};

} // namespace tk
