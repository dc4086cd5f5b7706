#pragma once
#include "app/app_state.h"
#include "update/update_logic.h"
#include "ui/widgets.h"

#include <QLabel>

namespace tk {

// The about window: product name, running version and the latest one the server announces, the latter in
// pure blue when it differs. Controls are public for the tests.
class AboutWindow : public BorderlessWindow {
    Q_OBJECT
public:
    explicit AboutWindow(AppState& app, QWidget* parent = nullptr);

    // Creation handler: re-reads the Setup row (AppState.latestVersion and lastResult are replaced), then fills.
    void showAbout();
    void fill(const AboutData& data);
    // 按钮_关闭
    void closeFromButton();

    ShapeBox* 外形框_导航 = nullptr;
    TransparentLabel* 透明标签_名称 = nullptr;
    OwnerDrawnButton* 按钮_关闭 = nullptr;
    PictureBox* 图片框1 = nullptr;
    QLabel* 标签3 = nullptr;
    QLabel* 标签1 = nullptr;
    QLabel* 标签2 = nullptr;
    QLabel* 标签5 = nullptr;

protected:
    void willBeDestroyed() override;

private:
    AppState& m_app;
};

inline const QColor kAboutHighlight{0, 0, 255};

// "关   于": creates the about window over owner (which may be null), runs its creation handler and shows it
// modal; returns once the window has gone.
void ShowAbout(AppState& app, QWidget* owner);

} // namespace tk
