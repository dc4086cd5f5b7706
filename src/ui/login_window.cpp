#include "ui/login_window.h"

#include "accounts/accounts.h"
#include "text/encoding.h"
#include "ui/collapse.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/png_image.h"
#include "ui/update_window.h"

#include <QWindow>

namespace tk {

namespace {
// Texts of the window itself; the account messages come with their outcomes.
const char* const kCaption = "青禾淘客";
const char* const kMenuButton = "● ● ●";
const char* const kRegisterLink = "注册账号";
const char* const kRecoverLink = "忘记密码";
const char* const kLogInButton = "登     录";
const char* const kLogInHint = "登录账户";
const char* const kRegisterButton = "注     册";
const char* const kRegisterHint = "注册账户";
const char* const kRecoverButton = "找     回";
const char* const kRecoverHint = "找回密码";
const char* const kMenuTitle = "菜单";
const char* const kMenuExit = "退   出";
const char* const kMenuMinimise = "最小化";

constexpr int kNoticeStepMs = 20;
constexpr int kNoticePixelsPerByte = 8;

QString U(const char* utf8) { return QString::fromUtf8(utf8); }
QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }
} // namespace

// An entry row: frame picture, icon at the left, the edit box over the frame.
#define TK_ENTRY_ROW(row, icon, edit, parent, x, y, iconTop, iconFile, limit, masked)                            \
    do {                                                                                                       \
        TK_PLACE(row, PictureBox, parent, x, y, 230, 40);                                                      \
        row->setPicture(Picture(QStringLiteral("entry_row.png")));                                             \
        TK_PLACE(icon, PictureBox, row, 10, iconTop, 24, 24);                                                  \
        icon->setPicture(Picture(QStringLiteral(iconFile)));                                                   \
        TK_PLACE(edit, EditBox, row, 45, 5, 160, 30);                                                          \
        edit->setLimit(limit);                                                                                 \
        edit->setMasked(masked);                                                                               \
    } while (0)

// A button sitting 1 pixel inside its frame picture.
#define TK_FRAMED_BUTTON(frame, button, parent, x, y, caption, hint)                                            \
    do {                                                                                                       \
        TK_PLACE(frame, PictureBox, parent, x, y, 230, 32);                                                    \
        frame->setPicture(Picture(QStringLiteral("button_frame.png")));                                        \
        TK_PLACE(button, OwnerDrawnButton, frame, 1, 1, 228, 30);                                              \
        button->setText(U(caption));                                                                           \
        button->setSecondText(U(hint));                                                                        \
    } while (0)

LoginWindow::LoginWindow(AppState& app, QWidget* parent) : BorderlessWindow(parent), m_app(app) {
    setObjectName(QStringLiteral("LoginWindow"));
    setWindowTitle(U(kCaption));
    setGeometry(50, 50, 400, 400);
    buildTitleArea();
    TK_PLACE(选择夹_界面, PageControl, this, 0, 120, 400, 250);
    选择夹_界面->setPageCount(3);
    buildLogInPage(选择夹_界面->page(0));
    buildRegisterPage(选择夹_界面->page(1));
    buildRecoverPage(选择夹_界面->page(2));
    选择夹_界面->showPage(0);

    菜单 = new PopupMenu(U(kMenuTitle), this);
    菜单->setObjectName(U(kMenuTitle));
    菜单->addEntry(U(kMenuExit), [this] { exitFromMenu(); });
    菜单->addEntry(U(kMenuMinimise), [this] { minimiseFromMenu(); });
}

void LoginWindow::buildTitleArea() {
    TK_PLACE(外形框_导航, ShapeBox, this, 0, 0, 400, 120);
    外形框_导航->setPicture(Picture(QStringLiteral("banner_400.png")));
    外形框_导航->setDragsWindow(true);
    TK_PLACE(图片框_LOGO, PictureBox, 外形框_导航, 5, 5, 20, 20);
    图片框_LOGO->setPicture(Picture(QStringLiteral("logo.png")));
    图片框_LOGO->setAttribute(Qt::WA_TransparentForMouseEvents);
    TK_PLACE(透明标签_名称, TransparentLabel, 外形框_导航, 30, 0, 80, 30);
    透明标签_名称->setText(U(kCaption));
    透明标签_名称->setTextColor(Qt::white);
    QFont nameFont = UiFont(14);
    nameFont.setBold(true);
    透明标签_名称->setFont(nameFont);
    TK_PLACE(超级按钮_菜单, OwnerDrawnButton, 外形框_导航, 355, 0, 45, 30);
    超级按钮_菜单->setStyle(OwnerDrawnButton::Style::Band);
    超级按钮_菜单->setText(U(kMenuButton));
    超级按钮_菜单->setFont(UiFont(8));
    connect(超级按钮_菜单, &QAbstractButton::clicked, this, [this] { popUpMenu(); });
}

void LoginWindow::buildLogInPage(QWidget* page) {
    TK_PLACE(图片框_公告, PictureBox, page, 10, 0, 380, 24);
    图片框_公告->setPicture(Picture(QStringLiteral("notice_strip.png")));
    TK_PLACE(标签_公告, QLabel, 图片框_公告, 150, 0, 80, 24);
    标签_公告->setFont(UiFont(13));
    {
        QPalette pal = 标签_公告->palette();
        pal.setColor(QPalette::WindowText, QColor(0x9A, 0x5B, 0x00));
        标签_公告->setPalette(pal);
    }
    标签_公告->hide();
    时钟_公告移动 = new QTimer(page);
    时钟_公告移动->setObjectName(QStringLiteral("时钟_公告移动"));
    connect(时钟_公告移动, &QTimer::timeout, this, [this] { marqueeTick(); });

    TK_PLACE(超级链接框_注册, HyperlinkLabel, page, 325, 65, 60, 20);
    超级链接框_注册->setText(U(kRegisterLink));
    connect(超级链接框_注册, &HyperlinkLabel::leftButtonDown, this, [this] { showRegisterPanel(); });
    TK_PLACE(超级链接框_密码, HyperlinkLabel, page, 325, 115, 60, 20);
    超级链接框_密码->setText(U(kRecoverLink));
    connect(超级链接框_密码, &HyperlinkLabel::leftButtonDown, this, [this] { showRecoverPanel(); });

    TK_ENTRY_ROW(图片框_登录账号, 图片框_登录账号图标, 编辑框_登录账号, page, 85, 55, 8, "icon_user.png",
                 accounts::kLogInAccountLimit, false);
    TK_ENTRY_ROW(图片框_登录密码, 图片框_登录密码图标, 编辑框_登录密码, page, 85, 105, 8, "icon_lock.png", 20, true);
    TK_FRAMED_BUTTON(图片框_登录, 按钮_登录, page, 85, 170, kLogInButton, kLogInHint);
    connect(按钮_登录, &QAbstractButton::clicked, this, [this] { logIn(); });

    // Covers the whole panel while the client connects; the form keeps it aside and hidden.
    TK_PLACE(图片框_连接状态, PictureBox, page, 350, 0, 400, 300);
    图片框_连接状态->setPicture(Picture(QStringLiteral("connecting.png")));
    图片框_连接状态->hide();
}

void LoginWindow::buildRegisterPage(QWidget* page) {
    TK_PLACE(图形按钮_注册返回, PictureButton, page, 5, 207, 23, 18);
    图形按钮_注册返回->setPictures(Picture(QStringLiteral("back.png")), Picture(QStringLiteral("back_hover.png")));
    connect(图形按钮_注册返回, &QAbstractButton::clicked, this, [this] { showLogInPanel(); });
    TK_ENTRY_ROW(图片框_注册账号, 图片框_注册账号图标, 编辑框_注册账号, page, 85, 20, 8, "icon_user.png",
                 accounts::kRegisterAccountLimit, false);
    TK_ENTRY_ROW(图片框_注册密码, 图片框_注册密码图标, 编辑框_注册密码, page, 85, 65, 8, "icon_lock.png",
                 accounts::kRegisterPasswordLimit, true);
    TK_ENTRY_ROW(图片框_注册邮箱, 图片框_注册邮箱图标, 编辑框_注册邮箱, page, 85, 110, 6, "icon_mail.png",
                 accounts::kRegisterEmailLimit, false);
    TK_FRAMED_BUTTON(图片框_注册, 按钮_注册, page, 85, 170, kRegisterButton, kRegisterHint);
    connect(按钮_注册, &QAbstractButton::clicked, this, [this] { registerAccount(); });
}

void LoginWindow::buildRecoverPage(QWidget* page) {
    TK_PLACE(图形按钮_找回返回, PictureButton, page, 5, 207, 23, 18);
    图形按钮_找回返回->setPictures(Picture(QStringLiteral("back.png")), Picture(QStringLiteral("back_hover.png")));
    connect(图形按钮_找回返回, &QAbstractButton::clicked, this, [this] { showLogInPanel(); });
    TK_ENTRY_ROW(图片框_找回账号, 图片框_找回账号图标, 编辑框_找回账号, page, 85, 55, 8, "icon_user.png",
                 accounts::kRecoverAccountLimit, false);
    TK_ENTRY_ROW(图片框_找回邮箱, 图片框_找回邮箱图标, 编辑框_找回邮箱, page, 85, 105, 6, "icon_mail.png",
                 accounts::kRecoverEmailLimit, false);
    TK_FRAMED_BUTTON(图片框_改密, 按钮_找回, page, 85, 170, kRecoverButton, kRecoverHint);
    connect(按钮_找回, &QAbstractButton::clicked, this, [this] { recoverPassword(); });
}

BootstrapOutcome LoginWindow::onCreated() {
    giveDropShadow();
    resize(400, 350);
    图片框_连接状态->move(0, 0);
    图片框_连接状态->raise();
    图片框_连接状态->show();
    show();
    const BootstrapOutcome outcome = bootstrap(m_app, *this);
    if (outcome == BootstrapOutcome::Outdated) {
        UpdateWindow::open(m_app);
        CollapseAndDestroy(this, 20);
        return outcome;
    }
    if (m_app.noticeSwitch == 0) startNoticeLine();
    return outcome;
}

void LoginWindow::startNoticeLine() {
    标签_公告->move(width(), 标签_公告->y());
    标签_公告->show();
    SetTimerPeriod(*时钟_公告移动, kNoticeStepMs);
    标签_公告->resize(static_cast<int>(m_app.noticeText.size()) * kNoticePixelsPerByte, 标签_公告->height());
    标签_公告->setText(FromGbk(m_app.noticeText));
}

void LoginWindow::marqueeTick() {
    const int w = 标签_公告->width();
    const int x = 标签_公告->x();
    if (x + w != 0)
        标签_公告->move(x - 1, 标签_公告->y());
    else
        标签_公告->move(width(), 标签_公告->y());
}

void LoginWindow::showLogInPanel() {
    选择夹_界面->showPage(0);
    编辑框_登录账号->setFocus();
}

void LoginWindow::showRegisterPanel() {
    选择夹_界面->showPage(1);
    编辑框_注册账号->setFocus();
}

void LoginWindow::showRecoverPanel() {
    选择夹_界面->showPage(2);
    编辑框_找回账号->setFocus();
}

void LoginWindow::setLogInBusy(bool busy) {
    按钮_登录->setEnabled(!busy);
    按钮_登录->setText(busy ? U(accounts::text::kLogInButtonBusy) : U(kLogInButton));
    编辑框_登录账号->setEnabled(!busy);
    编辑框_登录密码->setEnabled(!busy);
}

void LoginWindow::logIn() {
    const std::string account = 编辑框_登录账号->gbkText();
    const std::string password = 编辑框_登录密码->gbkText();
    if (auto refused = LogInEntryCheck(account, password)) {
        ShowMessage(messageFor(*refused));
        return;
    }
    setLogInBusy(true);
    const LogInOutcome outcome = LogIn(m_app, account, password);
    if (outcome == LogInOutcome::Success) {
        if (QWindow* h = windowHandle()) h->setFlag(Qt::WindowStaysOnTopHint, true);
        MainWindow::open(m_app);
        if (QWindow* h = windowHandle()) h->setFlag(Qt::WindowStaysOnTopHint, false);
        CollapseAndDestroy(this, 20);
        return;
    }
    ShowMessage(messageFor(outcome));
    setLogInBusy(false);
}

void LoginWindow::setRegisterBusy(bool busy) {
    按钮_注册->setEnabled(!busy);
    编辑框_注册账号->setEnabled(!busy);
    编辑框_注册密码->setEnabled(!busy);
    编辑框_注册邮箱->setEnabled(!busy);
}

void LoginWindow::registerAccount() {
    const std::string account = 编辑框_注册账号->gbkText();
    const std::string password = 编辑框_注册密码->gbkText();
    const std::string email = 编辑框_注册邮箱->gbkText();
    if (auto refused = RegisterEntryCheck(account, password, email)) {
        ShowMessage(messageFor(*refused));
        return;
    }
    setRegisterBusy(true);
    const RegisterOutcome outcome = Register(m_app, account, password, email);
    ShowMessage(messageFor(outcome));
    if (outcome == RegisterOutcome::Success) {
        编辑框_注册账号->clear();
        编辑框_注册密码->clear();
        编辑框_注册邮箱->clear();
        选择夹_界面->showPage(0);
    }
    setRegisterBusy(false);
}

void LoginWindow::setRecoverBusy(bool busy) {
    按钮_找回->setEnabled(!busy);
    编辑框_找回账号->setEnabled(!busy);
    编辑框_找回邮箱->setEnabled(!busy);
}

void LoginWindow::recoverPassword() {
    const std::string account = 编辑框_找回账号->gbkText();
    const std::string email = 编辑框_找回邮箱->gbkText();
    if (auto refused = RecoverEntryCheck(account, email)) {
        ShowMessage(messageFor(RecoverResult{*refused, {}}));
        return;
    }
    setRecoverBusy(true);
    const RecoverResult result = RecoverPassword(m_app, account, email);
    ShowMessage(messageFor(result));
    if (result.outcome == RecoverOutcome::Success) {
        编辑框_找回账号->clear();
        编辑框_找回邮箱->clear();
        选择夹_界面->showPage(0);
    }
    setRecoverBusy(false);
}

void LoginWindow::popUpMenu() { 菜单->popUpAtMouse(); }

void LoginWindow::exitFromMenu() { CollapseAndExit(this, 40); }

void LoginWindow::minimiseFromMenu() { showMinimized(); }

void LoginWindow::hideConnectionPicture() { 图片框_连接状态->hide(); }

std::string LoginWindow::nameLabelCaption() { return ToGbk(透明标签_名称->text()); }

void LoginWindow::showMessage(const Message& m) { ShowMessage(m); }

void LoginWindow::willBeDestroyed() { CollapseAndDestroy(this, 10); }

} // namespace tk
