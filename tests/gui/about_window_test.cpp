// The about window against a real gateway: the version it re-reads, its colours, the modal show and close.
#include "gateway/gateway_client.h"
#include "support/gateway_fixture.h"
#include "text/encoding.h"
#include "ui/about_window.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>

using tk::AboutWindow;
using tk::Gbk;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

AboutWindow* ShownAboutWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* a = qobject_cast<AboutWindow*>(w); a && a->isVisible() && !a->beingDestroyed()) return a;
    return nullptr;
}

// Runs ShowAbout and, once its window is on screen, hands the window to `inside` (which should close it).
// A window still open after a minute is destroyed so that a failing test cannot hang.
void WhileShown(tk::AppState& app, QWidget* owner, const std::function<void(AboutWindow&)>& inside) {
    bool acted = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (acted) return;
        if (AboutWindow* w = ShownAboutWindow()) {
            acted = true;
            inside(*w);
        }
    });
    poll.start(20);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (AboutWindow* w = ShownAboutWindow()) w->destroyWindow();
    });
    guard.start(60000);
    tk::ShowAbout(app, owner);
    EXPECT_TRUE(acted) << "the about window never showed";
    EXPECT_TRUE(guard.isActive()) << "the about window had to be destroyed by the guard";
}

struct About : ::testing::Test {
    tk::test::GatewayFixture gateway;
    tk::AppState app;
    void SetUp() override {
        ASSERT_TRUE(gateway.start()) << gateway.error();
        app.gateway = tk::ConnectGateway(app, gateway.baseUrl(), app.settings.gatewayPage,
                                         app.settings.gatewaySymbols, 1, 1);
        app.productName = Gbk("青禾淘客");
    }
};

TEST_F(About, ShowsTheReReadVersionBlueOnlyWhenItDiffers) {
    const struct {
        const char* version; // nullptr: no Setup row
        const char* label;
        QColor colour;
    } cases[] = {{"1.001", "最新版本:1.001", QColor(0, 0, 0)},
                 {"1.002", "最新版本:1.002", QColor(0, 0, 255)},
                 {nullptr, "最新版本:", QColor(0, 0, 255)}};
    tk::BorderlessWindow owner;
    owner.setGeometry(50, 50, 950, 650);
    owner.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version ? c.version : "(no Setup row)");
        if (c.version)
            ASSERT_TRUE(gateway.admin({"setup", "set", "--version", c.version}));
        else
            ASSERT_TRUE(gateway.admin({"setup", "clear"}));
        app.latestVersion = "stale";
        WhileShown(app, &owner, [&](AboutWindow& w) {
            EXPECT_EQ(w.geometry(), QRect(50, 50, 350, 220));
            EXPECT_EQ(w.windowModality(), Qt::ApplicationModal);
            EXPECT_EQ(w.标签2->text(), U(c.label));
            EXPECT_EQ(w.标签2->palette().color(QPalette::WindowText), c.colour);
            EXPECT_EQ(w.标签1->text(), U("当前版本:1.001"));
            EXPECT_EQ(w.标签3->text(), U("青禾淘客"));
            EXPECT_EQ(w.透明标签_名称->text(), U("关于"));
            EXPECT_EQ(w.按钮_关闭->text(), U("×"));
            QTest::mouseClick(w.按钮_关闭, Qt::LeftButton);
        });
        EXPECT_EQ(app.latestVersion, c.version ? std::string(c.version) : std::string());
        EXPECT_EQ(ShownAboutWindow(), nullptr);
    }
    EXPECT_TRUE(owner.isVisible());
}

TEST_F(About, AnyCloseCollapsesTheWindowAndEndsTheModalShow) {
    // Through the close button the animation plays twice (button, then will-be-destroyed); any other close
    // plays it once. Both end small and gone.
    const std::function<void(AboutWindow&)> ways[] = {
        [](AboutWindow& w) { w.closeFromButton(); },
        [](AboutWindow& w) { w.close(); },
    };
    for (const auto& close : ways) {
        QPointer<AboutWindow> seen;
        int heightAfter = -1;
        WhileShown(app, nullptr, [&](AboutWindow& w) {
            seen = &w;
            close(w);
            heightAfter = w.height();
        });
        EXPECT_GE(heightAfter, 0);
        EXPECT_LT(heightAfter, 20);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(seen);
    }
}

} // namespace
