// The main window's personal centre: creation, account labels, page buttons, carousel, password change, menus.
#include "gui/main_window_support.h"
#include "ui/login_window.h"

#include <QHeaderView>
#include <QTest>

using namespace tk;
using namespace tk::test;

namespace {

QString U(const char* s) { return QString::fromUtf8(s); }

struct MainWindowPersonal : MainWindowSuite {};

TEST_F(MainWindowPersonal, LogInThroughTheLogInWindowOpensThePersonalCentre) {
    const Account a = newAccount("viaLogin");
    AppState app;
    PointAt(app, s_gateway->baseUrl(), searchHost());
    app.settings.probeUrl = s_gateway->baseUrl();
    OpenedUrls opened;
    auto* login = new LoginWindow(app);
    ASSERT_EQ(login->onCreated(), BootstrapOutcome::Ready);
    QTest::keyClicks(login->编辑框_登录账号, QString::fromStdString(a.name));
    QTest::keyClicks(login->编辑框_登录密码, QString::fromStdString(a.password));
    QTest::mouseClick(login->按钮_登录, Qt::LeftButton);

    MainWindow* w = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<MainWindow*>(top)) w = m;
    ASSERT_NE(w, nullptr);
    // The heartbeat runs on a 5-second period from creation; its first check is that far away.
    EXPECT_TRUE(w->时钟1->isActive());
    EXPECT_EQ(w->时钟1->interval(), 5000);
    w->时钟1->stop();

    EXPECT_EQ(w->objectName(), "MainWindow");
    EXPECT_EQ(w->windowTitle(), U("青禾淘客"));
    EXPECT_EQ(w->geometry(), QRect(50, 50, 950, 650));
    EXPECT_EQ(w->标签5->text().toStdString(), a.name);
    EXPECT_EQ(w->标签6->text().toStdString(), a.email);
    EXPECT_EQ(w->标签7->text().toStdString(), "127.0.0.1");
    EXPECT_EQ(FromGbk(app.clientIp), "127.0.0.1");
    EXPECT_EQ(w->选择夹_功能->currentPage(), 0);
    EXPECT_TRUE(w->超级按钮_个人中心->isSelected());
    EXPECT_FALSE(w->超级按钮_淘客采集->isSelected());
    EXPECT_EQ(w->选择夹_个人中心->currentPage(), 0);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0], app.settings.webSite);

    // The pictures arrive from the worker and the carousel starts after the third.
    QTRY_VERIFY_WITH_TIMEOUT(w->时钟2->isActive(), 30000);
    EXPECT_EQ(w->时钟2->interval(), 50);
    for (PictureBox* ad : {w->图片框_广告1, w->图片框_广告2, w->图片框_广告3}) {
        EXPECT_FALSE(ad->picture().isNull()) << ad->objectName().toStdString();
        EXPECT_EQ(ad->size(), QSize(490, 240));
    }
    EXPECT_EQ(w->图片框_广告2->x(), w->图片框_广告1->x() + 490);
    EXPECT_EQ(w->图片框_广告3->x(), w->图片框_广告2->x() + 490);

    QTest::mousePress(w->图片框_广告2, Qt::LeftButton);
    ASSERT_EQ(opened.urls.size(), 2u);
    EXPECT_EQ(opened.urls[1], app.settings.webSite);
}

TEST_F(MainWindowPersonal, FailedAccountQueryLeavesTheLabelsEmpty) {
    AppState app;
    PointAt(app, s_gateway->baseUrl(), searchHost());
    ASSERT_TRUE(Connect(app));
    app.currentUserId = "999999";
    MainWindow w(app);
    EXPECT_EQ(w.标签5->text(), U("获取中……"));
    w.FillAccountInfo();
    EXPECT_TRUE(w.标签5->text().isEmpty());
    EXPECT_TRUE(w.标签6->text().isEmpty());
    EXPECT_TRUE(w.标签7->text().isEmpty());
}

TEST_F(MainWindowPersonal, ExactlyOnePageButtonIsSelectedAfterAnyClicks) {
    AppState app;
    MainWindow w(app);
    w.show();
    const std::vector<std::vector<int>> sequences = {{1}, {1, 0}, {0}, {1, 1}, {0, 0, 1}, {1, 0, 1, 0, 0, 1}};
    for (const auto& seq : sequences) {
        for (int b : seq) QTest::mouseClick(b ? w.超级按钮_淘客采集 : w.超级按钮_个人中心, Qt::LeftButton);
        const int last = seq.back();
        EXPECT_NE(w.超级按钮_个人中心->isSelected(), w.超级按钮_淘客采集->isSelected());
        EXPECT_EQ(w.超级按钮_淘客采集->isSelected(), last == 1);
        EXPECT_EQ(w.选择夹_功能->currentPage(), last);
    }
}

TEST_F(MainWindowPersonal, LayoutAndInitialStateFollowTheForm) {
    AppState app;
    MainWindow w(app);
    const struct {
        QWidget* control;
        QRect geometry;
    } places[] = {
        {w.外形框_导航, {0, 0, 950, 120}},         {w.超级按钮_菜单, {905, 0, 45, 30}},
        {w.超级按钮_个人中心, {0, 85, 150, 35}},   {w.超级按钮_淘客采集, {150, 85, 150, 35}},
        {w.选择夹_功能, {0, 120, 950, 530}},       {w.分组框_个人中心, {10, 10, 500, 510}},
        {w.超级链接框_更改密码, {380, 205, 80, 24}}, {w.选择夹_个人中心, {5, 230, 490, 270}},
        {w.图片框_广告2, {150, 5, 490, 240}},      {w.编辑框_修改密码, {160, 85, 220, 30}},
        {w.按钮_密码修改, {1, 1, 218, 30}},        {w.分组框1, {10, 10, 240, 240}},
        {w.编辑框10, {145, 205, 50, 24}},          {w.按钮_采集, {1, 1, 198, 28}},
        {w.分组框4, {8, 350, 240, 170}},           {w.选择框10, {155, 90, 70, 24}},
        {w.商品列表框, {255, 18, 685, 502}},
    };
    for (const auto& p : places) {
        EXPECT_EQ(p.control->geometry(), p.geometry) << p.control->objectName().toStdString();
        EXPECT_EQ(w.findChild<QWidget*>(p.control->objectName()), p.control);
    }
    EXPECT_EQ(w.编辑框9->text(), "1");
    EXPECT_EQ(w.编辑框10->text(), "10");
    EXPECT_TRUE(w.单选框1->isChecked());
    EXPECT_FALSE(w.单选框2->isChecked());
    for (QCheckBox* box : w.findChildren<QCheckBox*>()) EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(w.按钮_采集->text(), U("开始采集"));
    EXPECT_EQ(w.按钮_采集->secondText(), U("开始搜索"));
    EXPECT_EQ(w.超级按钮_菜单->secondText(), U("菜单"));
    EXPECT_EQ(w.标签15->text(), U("  ● 个人中心"));
    EXPECT_EQ(w.编辑框_原始密码->maxLength(), 32767);
    EXPECT_EQ(w.编辑框_确认密码->maxLength(), 20);
    EXPECT_EQ(w.编辑框_确认密码->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(w.时钟1->isActive());
    EXPECT_EQ(w.选择框6->text(), U("月销量"));

    QStringList menu;
    for (QAction* a : w.菜单->actions()) menu << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(menu, QStringList({U("关   于"), U("更   新"), "-", U("最小化"), U("退   出")}));
    QStringList list;
    for (QAction* a : w.采集菜单->actions()) list << a->text();
    EXPECT_EQ(list, QStringList({U("保存商品"), U("清空信息"), U("停止采集")}));
    EXPECT_FALSE(w.停止采集->isEnabled());

    const QStringList headers = {"序号", "标题", "价格", "佣金比例", "佣金", "月推广量", "月销量", "卖家昵称", "商品ID",
                                 "商品链接"};
    const int widths[] = {50, 150, 60, 60, 60, 60, 60, 100, 100, 350};
    for (int c = 0; c < 10; ++c) {
        EXPECT_EQ(w.products()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        EXPECT_EQ(w.商品列表框->horizontalHeader()->sectionSize(c), widths[c]) << c;
    }
}

TEST_F(MainWindowPersonal, CarouselStartsOnEmptyBoxesAndHandsOverAfterItsTicks) {
    AppState app;
    app.settings.pictureServer = "http://127.0.0.1:1"; // nobody listens
    MainWindow w(app);
    w.LoadAdPictures();
    QTRY_VERIFY_WITH_TIMEOUT(w.时钟2->isActive(), 30000);
    w.时钟2->stop(); // the ticks are driven by hand from here
    for (PictureBox* ad : {w.图片框_广告1, w.图片框_广告2, w.图片框_广告3}) EXPECT_TRUE(ad->picture().isNull());
    EXPECT_EQ(w.图片框_广告1->x(), 0);
    EXPECT_EQ(w.图片框_广告2->x(), 490);
    EXPECT_EQ(w.图片框_广告3->x(), 980);

    struct Phase {
        int timer, ticks;
        QTimer* running;
        QTimer* next;
        int afterFirst[3]; // lefts of pictures 1, 2, 3 after the phase's first tick
        int afterLast[3];  // and right after its hand-over
    };
    const Phase phases[] = {
        {2, 980, w.时钟2, w.时钟3, {-1, 489, 979}, {-980, -490, 0}},
        {3, 980, w.时钟3, w.时钟4, {489, 979, -1}, {-490, 0, -980}}, // picture 1 re-enters from the right
        {4, 978, w.时钟4, w.时钟2, {977, -1, 488}, {0, -978, -489}}, // each follower overlaps by one pixel
    };
    auto lefts = [&] {
        return std::vector<int>{w.图片框_广告1->x(), w.图片框_广告2->x(), w.图片框_广告3->x()};
    };
    for (int round = 0; round < 2; ++round) {
        for (const Phase& p : phases) {
            SCOPED_TRACE(p.timer);
            p.running->start(50);
            w.AdScrollTick(p.timer);
            EXPECT_EQ(lefts(), std::vector<int>(p.afterFirst, p.afterFirst + 3));
            for (int i = 2; i < p.ticks; ++i) w.AdScrollTick(p.timer);
            EXPECT_TRUE(p.running->isActive());
            EXPECT_FALSE(p.next->isActive());
            w.AdScrollTick(p.timer);
            EXPECT_FALSE(p.running->isActive());
            EXPECT_TRUE(p.next->isActive());
            EXPECT_EQ(p.next->interval(), 50);
            p.next->stop();
            EXPECT_EQ(lefts(), std::vector<int>(p.afterLast, p.afterLast + 3));
        }
    }
}

TEST_F(MainWindowPersonal, PasswordPageRefusesBadEntriesAndChangesThePassword) {
    const Account a = newAccount("pwChange");
    auto app = loggedIn(a);
    MainWindow w(*app);
    w.show();
    QApplication::setActiveWindow(&w);
    QTest::mousePress(w.超级链接框_更改密码, Qt::LeftButton);
    EXPECT_EQ(w.选择夹_个人中心->currentPage(), 1);
    EXPECT_TRUE(w.编辑框_原始密码->hasFocus());

    struct Case {
        const char *old, *fresh, *confirm, *message;
    };
    const Case cases[] = {
        {"", "Newpass12", "Newpass12", "请输入你的账户原始密码！"},
        {"Passw0rd1", "", "Newpass12", "请输入要修改的密码！"},
        {"Passw0rd1", "Newpass12", "", "请再次输入密码！"},
        {"Passw0rd1", "New pass12", "New pass12", "密码中不能包含汉字、字符或空格！"},
        {"Passw0rd1", "Short12", "Short12", "密码格式为8-20位的字母或数字！"},
        {"Passw0rd1", "Newpass12", "newpass12", "两次输入密码不一致，请重新输入！"},
        {"passw0rd1", "Newpass12", "Newpass12", "原始密码不正确，请重新输入！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        for (EditBox* box : {w.编辑框_原始密码, w.编辑框_修改密码, w.编辑框_确认密码}) box->clear();
        QTest::keyClicks(w.编辑框_原始密码, c.old);
        QTest::keyClicks(w.编辑框_修改密码, c.fresh);
        QTest::keyClicks(w.编辑框_确认密码, c.confirm);
        MessageRecorder rec;
        QTest::mouseClick(w.按钮_密码修改, Qt::LeftButton);
        ASSERT_EQ(rec.count(), 1u);
        EXPECT_EQ(rec.lastUtf8(), c.message);
        EXPECT_EQ(rec.last().icon, MessageIcon::Warning);
        EXPECT_EQ(w.编辑框_修改密码->text(), c.fresh); // the entries stay
        EXPECT_TRUE(w.按钮_密码修改->isEnabled());
        EXPECT_EQ(w.选择夹_个人中心->currentPage(), 1);
    }

    for (EditBox* box : {w.编辑框_原始密码, w.编辑框_修改密码, w.编辑框_确认密码}) box->clear();
    QTest::keyClicks(w.编辑框_原始密码, "Passw0rd1");
    QTest::keyClicks(w.编辑框_修改密码, "Newpass12");
    QTest::keyClicks(w.编辑框_确认密码, "Newpass12");
    MessageRecorder rec;
    bool busySeen = false;
    QTimer::singleShot(0, [&] { busySeen = !w.按钮_密码修改->isEnabled() && !w.编辑框_原始密码->isEnabled(); });
    QTest::mouseClick(w.按钮_密码修改, Qt::LeftButton);
    ASSERT_EQ(rec.count(), 1u);
    EXPECT_EQ(rec.lastUtf8(), "密码修改成功，请牢记你的新密码！");
    EXPECT_EQ(rec.last().icon, MessageIcon::Information);
    EXPECT_TRUE(busySeen);
    EXPECT_TRUE(w.编辑框_原始密码->text().isEmpty());
    EXPECT_TRUE(w.编辑框_修改密码->text().isEmpty());
    EXPECT_TRUE(w.编辑框_确认密码->text().isEmpty());
    EXPECT_EQ(w.选择夹_个人中心->currentPage(), 0);
    EXPECT_TRUE(w.按钮_密码修改->isEnabled());

    AppState other;
    PointAt(other, s_gateway->baseUrl(), searchHost());
    ASSERT_TRUE(Connect(other));
    EXPECT_EQ(VerifyAccount(other, Gbk(a.name), "Passw0rd1"), LogInOutcome::WrongAccountOrPassword);
    EXPECT_EQ(VerifyAccount(other, Gbk(a.name), "Newpass12"), LogInOutcome::Success);
}

TEST_F(MainWindowPersonal, MinimiseEntryMinimisesAndKeepsTheWindow) {
    AppState app;
    MainWindow w(app);
    w.show();
    w.菜单->actions()[3]->trigger();
    EXPECT_TRUE(w.isMinimized());
    EXPECT_FALSE(w.beingDestroyed());
}

TEST_F(MainWindowPersonal, DestroyingTheWindowClearsTheOnlineFlagAndCollapses) {
    const Account a = newAccount("destroyMw");
    auto app = loggedIn(a);
    EXPECT_EQ(UserField(*s_gateway, a.name, kZxColumn), "1");
    auto* w = new MainWindow(*app);
    w->setGeometry(50, 50, 950, 650);
    w->show();
    QPointer<MainWindow> alive(w);
    w->close(); // as the window system would ask
    EXPECT_EQ(UserField(*s_gateway, a.name, kZxColumn), "0");
    EXPECT_TRUE(w->beingDestroyed());
    FlushDeletes();
    EXPECT_FALSE(alive);
}

} // namespace
