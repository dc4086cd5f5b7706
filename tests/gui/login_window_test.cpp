#include "support/gateway_fixture.h"
#include "text/encoding.h"
#include "ui/login_window.h"
#include "ui/main_window.h"
#include "ui/message_box.h"
#include "ui/update_window.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <vector>

using tk::Gbk;
using tk::LoginWindow;

namespace {


void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

template <class T> std::vector<T*> TopLevels() {
    std::vector<T*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* t = qobject_cast<T*>(w); t && !t->beingDestroyed()) out.push_back(t);
    return out;
}

void CloseStrayWindows() {
    // A window takes its pop-up menus (top-level widgets too) with it: hold guarded pointers while deleting.
    std::vector<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<tk::BorderlessWindow*>(w)) windows.emplace_back(w);
    for (auto& w : windows) delete w.data();
}

// A window that is not bootstrapped: for the notice line, the panels and the entry checks.
struct Offline : ::testing::Test {
    tk::AppState app;
    LoginWindow w{app};
    void SetUp() override { w.resize(400, 350); }
};

TEST_F(Offline, NoticeLineRunsAcrossAndReenters) {
    app.noticeText = Gbk("0123456789青禾淘客网"); // 10 + 5 x 2 bytes
    ASSERT_EQ(app.noticeText.size(), 20u);
    w.startNoticeLine();
    EXPECT_TRUE(w.标签_公告->isVisibleTo(&w));
    EXPECT_EQ(w.标签_公告->width(), 160);
    EXPECT_EQ(w.标签_公告->text(), QString::fromUtf8("0123456789青禾淘客网"));
    EXPECT_TRUE(w.时钟_公告移动->isActive());
    EXPECT_EQ(w.时钟_公告移动->interval(), 20);
    w.时钟_公告移动->stop(); // the ticks are driven by hand here
    std::vector<int> lefts{w.标签_公告->x()};
    for (int i = 0; i < 562; ++i) {
        w.marqueeTick();
        lefts.push_back(w.标签_公告->x());
    }
    for (int i = 0; i <= 560; ++i) ASSERT_EQ(lefts[i], 400 - i) << i; // 400, 399, ..., -160
    EXPECT_EQ(lefts[561], 400);
    EXPECT_EQ(lefts[562], 399);
}

TEST_F(Offline, EmptyNoticeStillStarts) {
    w.startNoticeLine();
    EXPECT_TRUE(w.标签_公告->isVisibleTo(&w));
    EXPECT_EQ(w.标签_公告->width(), 0);
    EXPECT_TRUE(w.时钟_公告移动->isActive());
    w.时钟_公告移动->stop();
    for (int i = 0; i < 400; ++i) w.marqueeTick();
    EXPECT_EQ(w.标签_公告->x(), 0);
    w.marqueeTick();
    EXPECT_EQ(w.标签_公告->x(), 400);
}

TEST_F(Offline, PanelsSwitchWithFocusAndKeepTheirTexts) {
    w.show();
    QApplication::setActiveWindow(&w);
    QTest::keyClicks(w.编辑框_登录账号, "loginname");
    QTest::mousePress(w.超级链接框_注册, Qt::LeftButton);
    EXPECT_EQ(w.选择夹_界面->currentPage(), 1);
    EXPECT_TRUE(w.编辑框_注册账号->hasFocus());
    QTest::keyClicks(w.编辑框_注册账号, "newaccount");
    QTest::keyClicks(w.编辑框_注册密码, "secret99");
    QTest::keyClicks(w.编辑框_注册邮箱, "a@b.cn");
    QTest::mouseClick(w.图形按钮_注册返回, Qt::LeftButton);
    EXPECT_EQ(w.选择夹_界面->currentPage(), 0);
    EXPECT_TRUE(w.编辑框_登录账号->hasFocus());
    QTest::mousePress(w.超级链接框_密码, Qt::LeftButton);
    EXPECT_EQ(w.选择夹_界面->currentPage(), 2);
    EXPECT_TRUE(w.编辑框_找回账号->hasFocus());
    QTest::mouseClick(w.图形按钮_找回返回, Qt::LeftButton);
    QTest::mousePress(w.超级链接框_注册, Qt::LeftButton);
    EXPECT_EQ(w.编辑框_注册账号->text(), "newaccount");
    EXPECT_EQ(w.编辑框_注册密码->text(), "secret99");
    EXPECT_EQ(w.编辑框_注册邮箱->text(), "a@b.cn");
    EXPECT_EQ(w.编辑框_登录账号->text(), "loginname");
    EXPECT_EQ(w.编辑框_注册密码->echoMode(), QLineEdit::Password);
    EXPECT_EQ(w.编辑框_登录密码->echoMode(), QLineEdit::Password);
}

TEST_F(Offline, BoxesTakeTheirLimits) {
    const std::string forty(40, 'x');
    const struct {
        tk::EditBox* box;
        int limit;
    } boxes[] = {{w.编辑框_登录账号, 20}, {w.编辑框_登录密码, 20}, {w.编辑框_注册账号, 20},
                 {w.编辑框_注册密码, 20}, {w.编辑框_注册邮箱, 30}, {w.编辑框_找回账号, 20},
                 {w.编辑框_找回邮箱, 30}}; // as wide as the register box, so every address can be recovered
    for (const auto& b : boxes) {
        b.box->setText(QString::fromStdString(forty));
        EXPECT_EQ(b.box->text().size(), b.limit) << b.box->objectName().toStdString();
    }
}

TEST_F(Offline, EntryChecksShowTheirMessagesAndKeepTheTexts) {
    struct Case {
        const char* what;
        std::vector<std::pair<tk::EditBox*, const char*>> typed;
        tk::OwnerDrawnButton* button;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"log-in, no account", {{w.编辑框_登录密码, "pw"}}, w.按钮_登录, "请输入你的青禾账号！"},
        {"log-in, no password", {{w.编辑框_登录账号, "someone1"}}, w.按钮_登录, "请输入你的登录密码！"},
        {"register, no account", {{w.编辑框_注册密码, "p"}, {w.编辑框_注册邮箱, "m"}}, w.按钮_注册,
         "请填写要注册的账号！"},
        {"register, no password", {{w.编辑框_注册账号, "a"}, {w.编辑框_注册邮箱, "m"}}, w.按钮_注册,
         "请填写注册账号的密码！"},
        {"register, no e-mail", {{w.编辑框_注册账号, "a"}, {w.编辑框_注册密码, "p"}}, w.按钮_注册,
         "请填写绑定账号的邮箱！"},
        {"register, short account", {{w.编辑框_注册账号, "abc1234"}, {w.编辑框_注册密码, "p"}, {w.编辑框_注册邮箱, "m"}},
         w.按钮_注册, "账号格式为8-20位的字母或数字！"},
        {"recover, no account", {{w.编辑框_找回邮箱, "m@x.cn"}}, w.按钮_找回, "请请输入你的账号！"},
        {"recover, no e-mail", {{w.编辑框_找回账号, "someone1"}}, w.按钮_找回, "请输入绑定账号的邮箱！"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (auto* box : w.findChildren<tk::EditBox*>()) box->clear();
        for (const auto& [box, text] : c.typed) QTest::keyClicks(box, text);
        tk::MessageRecorder rec;
        QTest::mouseClick(c.button, Qt::LeftButton);
        ASSERT_EQ(rec.count(), 1u);
        EXPECT_EQ(rec.lastUtf8(), c.message);
        EXPECT_EQ(rec.last().icon, tk::MessageIcon::Information);
        EXPECT_EQ(rec.last().caption, Gbk("信息："));
        EXPECT_TRUE(rec.last().ownerName.isEmpty());
        for (const auto& [box, text] : c.typed) EXPECT_EQ(box->text(), text);
        EXPECT_TRUE(c.button->isEnabled());
    }
}

TEST_F(Offline, MenuOffersExitAndMinimise) {
    const auto actions = w.menu()->actions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QString::fromUtf8("退   出"));
    EXPECT_EQ(actions[1]->text(), QString::fromUtf8("最小化"));
    EXPECT_EQ(w.menu()->title(), QString::fromUtf8("菜单"));
    w.show();
    actions[1]->trigger();
    EXPECT_TRUE(w.isMinimized());
    EXPECT_FALSE(w.beingDestroyed());
}

TEST_F(Offline, LayoutFollowsTheForm) {
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("青禾淘客"));
    EXPECT_EQ(w.外形框_导航->geometry(), QRect(0, 0, 400, 120));
    EXPECT_EQ(w.选择夹_界面->geometry(), QRect(0, 120, 400, 250));
    EXPECT_EQ(w.超级按钮_菜单->geometry(), QRect(355, 0, 45, 30));
    EXPECT_EQ(w.按钮_登录->text(), QString::fromUtf8("登     录"));
    EXPECT_EQ(w.按钮_注册->toolTip(), QString::fromUtf8("注册账户"));
    EXPECT_EQ(w.按钮_找回->text(), QString::fromUtf8("找     回"));
    EXPECT_EQ(w.nameLabelCaption(), Gbk("青禾淘客"));
    EXPECT_EQ(w.findChild<QWidget*>(QString::fromUtf8("图片框_改密")), w.图片框_改密);
    EXPECT_EQ(w.按钮_找回->parentWidget(), w.图片框_改密);
}

// ---------------------------------------------------------------------------------------------------------
// Against a real gateway.
struct Connected : ::testing::Test {
    tk::test::GatewayFixture gateway;
    tk::AppState app;
    void SetUp() override {
        ASSERT_TRUE(gateway.start()) << gateway.error();
        app.settings.gatewayBase = gateway.baseUrl();
        app.settings.probeUrl = gateway.baseUrl();
    }
    void TearDown() override {
        FlushDeletes();
        CloseStrayWindows();
    }
};

TEST_F(Connected, ReadyUncoversThePanelsAndStartsTheServersNotice) {
    ASSERT_TRUE(gateway.admin({"setup", "set", "--notice-switch", "0", "--notice-text", "欢迎使用青禾淘客"}));
    tk::MessageRecorder rec;
    LoginWindow w(app);
    EXPECT_EQ(w.onCreated(), tk::BootstrapOutcome::Ready);
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(w.size(), QSize(400, 350));
    EXPECT_FALSE(w.图片框_连接状态->isVisible());
    EXPECT_EQ(app.productName, Gbk("青禾淘客"));
    EXPECT_TRUE(w.标签_公告->isVisible());
    EXPECT_EQ(w.标签_公告->width(), 16 * 8);
    EXPECT_EQ(w.标签_公告->text(), QString::fromUtf8("欢迎使用青禾淘客"));
    EXPECT_TRUE(w.时钟_公告移动->isActive());
}

TEST_F(Connected, SwitchOneKeepsTheNoticeHidden) {
    ASSERT_TRUE(gateway.admin({"setup", "set", "--notice-switch", "1", "--notice-text", "hidden"}));
    LoginWindow w(app);
    EXPECT_EQ(w.onCreated(), tk::BootstrapOutcome::Ready);
    EXPECT_FALSE(w.标签_公告->isVisible());
    EXPECT_FALSE(w.时钟_公告移动->isActive());
}

TEST_F(Connected, ConnectionPictureCoversThePanelsUntilALateGatewayAnswers) {
    // The probe answers at once; the gateway itself comes up 4 seconds late on a port known in advance.
    tk::test::GatewayFixture late;
    ASSERT_TRUE(late.start()) << late.error();
    const int port = late.port();
    late.stop();
    app.settings.gatewayBase = "http://127.0.0.1:" + std::to_string(port) + "/";

    LoginWindow w(app);
    int ticksWhileCovered = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (w.图片框_连接状态->isVisible() && w.图片框_连接状态->geometry() == QRect(0, 0, 400, 300))
            ++ticksWhileCovered;
    });
    ticker.start(100);
    QTimer::singleShot(4000, [&] { ASSERT_TRUE(late.start({"--listen", "127.0.0.1:" + QString::number(port)})); });
    EXPECT_EQ(w.onCreated(), tk::BootstrapOutcome::Ready);
    ticker.stop();
    EXPECT_TRUE(late.running());
    EXPECT_GT(ticksWhileCovered, 0); // events kept flowing while it waited
    EXPECT_FALSE(w.图片框_连接状态->isVisible());
}

TEST_F(Connected, OutdatedOpensTheUpdateWindowAndTheLogInWindowGoes) {
    ASSERT_TRUE(gateway.admin({"setup", "set", "--version", "1.002"}));
    tk::MessageRecorder rec;
    auto* w = new LoginWindow(app);
    QPointer<LoginWindow> alive(w);
    EXPECT_EQ(w->onCreated(), tk::BootstrapOutcome::Outdated);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.lastUtf8(), "当前版本不是最新版本，请立刻更新");
    EXPECT_EQ(rec.last().icon, tk::MessageIcon::Information);
    const auto updates = TopLevels<tk::UpdateWindow>();
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0]->windowTitle(), QString::fromUtf8("在线更新"));
    EXPECT_TRUE(updates[0]->isVisible());
    ASSERT_TRUE(alive);
    EXPECT_FALSE(w->标签_公告->isVisibleTo(w)); // the notice line never started
    FlushDeletes();
    EXPECT_FALSE(alive);
}

TEST_F(Connected, UnreachableProbeShowsTheOfflineMessage) {
    app.settings.probeUrl = "http://127.0.0.1:1/";
    tk::MessageRecorder rec;
    LoginWindow w(app);
    EXPECT_EQ(w.onCreated(), tk::BootstrapOutcome::Offline);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.lastUtf8(), "连接服务器失败，请稍后重试");
    EXPECT_EQ(rec.last().icon, tk::MessageIcon::None);
    EXPECT_EQ(rec.last().caption, Gbk("信息："));
    EXPECT_TRUE(w.图片框_连接状态->isVisible()); // stays covered
    EXPECT_TRUE(w.标签_公告->isVisible());        // the notice line starts with the empty text
    EXPECT_EQ(w.标签_公告->width(), 0);
}

TEST_F(Connected, RegisterRecoverAndLogInThroughTheWidgets) {
    auto* w = new LoginWindow(app);
    QPointer<LoginWindow> alive(w);
    ASSERT_EQ(w->onCreated(), tk::BootstrapOutcome::Ready);
    tk::MessageRecorder rec;

    QTest::mousePress(w->超级链接框_注册, Qt::LeftButton);
    QTest::keyClicks(w->编辑框_注册账号, "qinghe2024");
    QTest::keyClicks(w->编辑框_注册密码, "Passw0rd");
    QTest::keyClicks(w->编辑框_注册邮箱, "long.address.for.qh@example.cnX"); // one more than the box takes
    EXPECT_EQ(w->编辑框_注册邮箱->text(), "long.address.for.qh@example.cn");
    w->编辑框_注册邮箱->clear();
    QTest::keyClicks(w->编辑框_注册邮箱, "long.address.for.qh@example.cn"); // exactly 30
    QTest::mouseClick(w->按钮_注册, Qt::LeftButton);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.lastUtf8(), "注册成功，赶快登录呦！");
    EXPECT_EQ(rec.last().icon, tk::MessageIcon::Information);
    EXPECT_EQ(w->选择夹_界面->currentPage(), 0);
    EXPECT_TRUE(w->编辑框_注册账号->text().isEmpty());
    EXPECT_TRUE(w->编辑框_注册密码->text().isEmpty());
    EXPECT_TRUE(w->编辑框_注册邮箱->text().isEmpty());
    EXPECT_TRUE(w->按钮_注册->isEnabled());

    // The same name again: refused, the entries stay.
    rec.clear();
    w->showRegisterPanel();
    QTest::keyClicks(w->编辑框_注册账号, "qinghe2024");
    QTest::keyClicks(w->编辑框_注册密码, "Passw0rd");
    QTest::keyClicks(w->编辑框_注册邮箱, "other@example.cn");
    QTest::mouseClick(w->按钮_注册, Qt::LeftButton);
    EXPECT_EQ(rec.lastUtf8(), "改帐号已存在,请更换帐号！");
    EXPECT_EQ(rec.last().icon, tk::MessageIcon::Warning);
    EXPECT_EQ(w->编辑框_注册账号->text(), "qinghe2024");

    // Recovery with the 30-character address.
    rec.clear();
    QTest::mouseClick(w->图形按钮_注册返回, Qt::LeftButton);
    QTest::mousePress(w->超级链接框_密码, Qt::LeftButton);
    QTest::keyClicks(w->编辑框_找回账号, "qinghe2024");
    QTest::keyClicks(w->编辑框_找回邮箱, "LONG.address.for.qh@example.cn");
    QTest::mouseClick(w->按钮_找回, Qt::LeftButton);
    EXPECT_EQ(rec.lastUtf8(), "账号或邮箱输入不正确！");
    EXPECT_EQ(rec.last().icon, tk::MessageIcon::Warning);
    EXPECT_EQ(w->选择夹_界面->currentPage(), 2);
    rec.clear();
    w->编辑框_找回邮箱->clear();
    QTest::keyClicks(w->编辑框_找回邮箱, "long.address.for.qh@example.cn");
    QTest::mouseClick(w->按钮_找回, Qt::LeftButton);
    EXPECT_EQ(rec.lastUtf8(), "你的登录密码为[Passw0rd]，赶快登录呦！");
    EXPECT_EQ(rec.last().icon, tk::MessageIcon::Information);
    EXPECT_EQ(w->选择夹_界面->currentPage(), 0);
    EXPECT_TRUE(w->编辑框_找回账号->text().isEmpty());
    EXPECT_TRUE(w->编辑框_找回邮箱->text().isEmpty());

    // A wrong password: the error, the controls back as they were.
    rec.clear();
    QTest::keyClicks(w->编辑框_登录账号, "qinghe2024");
    QTest::keyClicks(w->编辑框_登录密码, "wrongpass");
    QTest::mouseClick(w->按钮_登录, Qt::LeftButton);
    EXPECT_EQ(rec.lastUtf8(), "你输入的账号或密码不正确！");
    EXPECT_EQ(rec.last().icon, tk::MessageIcon::Error);
    EXPECT_TRUE(w->按钮_登录->isEnabled());
    EXPECT_TRUE(w->编辑框_登录账号->isEnabled());
    EXPECT_EQ(w->按钮_登录->text(), QString::fromUtf8("登     录"));

    // The right one: the main window opens and the log-in window collapses away.
    rec.clear();
    w->编辑框_登录密码->clear();
    QTest::keyClicks(w->编辑框_登录密码, "Passw0rd");
    QString captionWhileBusy;
    QTimer::singleShot(0, [&] {
        if (alive) captionWhileBusy = w->按钮_登录->text();
    });
    QTest::mouseClick(w->按钮_登录, Qt::LeftButton);
    EXPECT_EQ(rec.count(), 0u);
    EXPECT_EQ(captionWhileBusy, QString::fromUtf8("正在登录中"));
    EXPECT_FALSE(app.currentUserId.empty());
    EXPECT_EQ(app.onlineKey.size(), 50u);
    const auto mains = TopLevels<tk::MainWindow>();
    ASSERT_EQ(mains.size(), 1u);
    EXPECT_EQ(mains[0]->size(), QSize(950, 650));
    ASSERT_TRUE(alive);
    EXPECT_TRUE(w->beingDestroyed());
    FlushDeletes();
    EXPECT_FALSE(alive);
}

} // namespace
