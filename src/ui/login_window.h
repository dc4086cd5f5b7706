#pragma once
#include "app/app_state.h"
#include "app/bootstrap.h"
#include "ui/widgets.h"

#include <QTimer>

namespace tk {

// The first window: log-in, registration and password recovery on one page control, the notice line, and
// the menu to leave or minimise. Controls are public so that tests drive them like a user would.
class LoginWindow : public BorderlessWindow, public BootstrapView {
    Q_OBJECT
public:
    explicit LoginWindow(AppState& app, QWidget* parent = nullptr);

    // Creation handler: size, connection picture, show, bootstrap and its outcome, notice line.
    // On the outdated outcome the window collapses away: do not touch it afterwards.
    BootstrapOutcome onCreated();

    void marqueeTick();
    void startNoticeLine();

    void showLogInPanel();
    void showRegisterPanel();
    void showRecoverPanel();

    // Button handlers.
    void logIn();
    void registerAccount();
    void recoverPassword();

    // Menu "菜单" and its entries.
    PopupMenu* menu() const { return 菜单; }
    void popUpMenu();
    void exitFromMenu();
    void minimiseFromMenu();

    // BootstrapView
    void hideConnectionPicture() override;
    std::string nameLabelCaption() override;
    void showMessage(const Message& m) override;

    // Title area
    ShapeBox* 外形框_导航 = nullptr;
    PictureBox* 图片框_LOGO = nullptr;
    TransparentLabel* 透明标签_名称 = nullptr;
    OwnerDrawnButton* 超级按钮_菜单 = nullptr;
    PageControl* 选择夹_界面 = nullptr;
    // Page 0: log-in
    PictureBox* 图片框_连接状态 = nullptr;
    PictureBox* 图片框_公告 = nullptr;
    QLabel* 标签_公告 = nullptr;
    QTimer* 时钟_公告移动 = nullptr;
    HyperlinkLabel* 超级链接框_注册 = nullptr;
    HyperlinkLabel* 超级链接框_密码 = nullptr;
    PictureBox* 图片框_登录账号 = nullptr;
    PictureBox* 图片框_登录账号图标 = nullptr;
    EditBox* 编辑框_登录账号 = nullptr;
    PictureBox* 图片框_登录密码 = nullptr;
    PictureBox* 图片框_登录密码图标 = nullptr;
    EditBox* 编辑框_登录密码 = nullptr;
    PictureBox* 图片框_登录 = nullptr;
    OwnerDrawnButton* 按钮_登录 = nullptr;
    // Page 1: register
    PictureButton* 图形按钮_注册返回 = nullptr;
    PictureBox* 图片框_注册账号 = nullptr;
    PictureBox* 图片框_注册账号图标 = nullptr;
    EditBox* 编辑框_注册账号 = nullptr;
    PictureBox* 图片框_注册密码 = nullptr;
    PictureBox* 图片框_注册密码图标 = nullptr;
    EditBox* 编辑框_注册密码 = nullptr;
    PictureBox* 图片框_注册邮箱 = nullptr;
    PictureBox* 图片框_注册邮箱图标 = nullptr;
    EditBox* 编辑框_注册邮箱 = nullptr;
    PictureBox* 图片框_注册 = nullptr;
    OwnerDrawnButton* 按钮_注册 = nullptr;
    // Page 2: recover
    PictureButton* 图形按钮_找回返回 = nullptr;
    PictureBox* 图片框_找回账号 = nullptr;
    PictureBox* 图片框_找回账号图标 = nullptr;
    EditBox* 编辑框_找回账号 = nullptr;
    PictureBox* 图片框_找回邮箱 = nullptr;
    PictureBox* 图片框_找回邮箱图标 = nullptr;
    EditBox* 编辑框_找回邮箱 = nullptr;
    PictureBox* 图片框_改密 = nullptr;
    OwnerDrawnButton* 按钮_找回 = nullptr;

    PopupMenu* 菜单 = nullptr;

protected:
    void willBeDestroyed() override;

private:
    void buildTitleArea();
    void buildLogInPage(QWidget* page);
    void buildRegisterPage(QWidget* page);
    void buildRecoverPage(QWidget* page);
    void setLogInBusy(bool busy);
    void setRegisterBusy(bool busy);
    void setRecoverBusy(bool busy);

    AppState& m_app;
};

} // namespace tk
