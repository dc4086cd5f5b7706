// Renders the log-in window in its states into PNG files: taoke-screenshots OUTPUT_DIR.
// It starts a gateway of its own on a temporary database, the same way the GUI tests do.
#include "app/pump.h"
#include "support/gateway_fixture.h"
#include "text/encoding.h"
#include "ui/login_window.h"
#include "ui/message_box.h"
#include "main_screens.h"
#include "ui/widgets.h"
#include "shots.h"
#include "update_screens.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

namespace {

QString g_dir;
int g_failures = 0;

void Save(const QImage& image, const char* name) { g_failures += tk::shots::Save(image, g_dir, name); }

void Save(QWidget& w, const char* name) { Save(w.grab().toImage(), name); }

QImage WithBox(QWidget& window, const tk::Message& m) { return tk::shots::WithMessageBox(window, m); }

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication toolkit(argc, argv);
    tk::ApplyApplicationLook(toolkit);
    g_dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(g_dir);

    // A gateway that comes up a moment late, so that the window is caught while it connects.
    tk::test::GatewayFixture gateway;
    if (!gateway.start()) {
        std::fprintf(stderr, "%s\n", gateway.error().c_str());
        return 1;
    }
    const int port = gateway.port();
    gateway.stop();
    gateway.admin({"setup", "set", "--notice-switch", "0", "--notice-text",
                   "欢迎使用青禾淘客，新用户注册即可免费采集！"});
    tk::test::GatewayFixture probe;
    if (!probe.start()) return 1;

    tk::AppState app;
    app.settings.gatewayBase = "http://127.0.0.1:" + std::to_string(port) + "/";
    app.settings.probeUrl = probe.baseUrl();
    tk::MessageRecorder quiet; // the bootstrap must not stop on a modal box here
    auto* w = new tk::LoginWindow(app);
    QTimer::singleShot(1500, [&] { Save(*w, "login-connecting.png"); });
    QTimer::singleShot(2000, [&] { gateway.start({"--listen", "127.0.0.1:" + QString::number(port)}); });
    if (w->onCreated() != tk::BootstrapOutcome::Ready) {
        std::fprintf(stderr, "the window did not get ready\n");
        return 1;
    }
    tk::WaitPumping(4000); // let the notice scroll in from the right
    w->编辑框_登录账号->setText("qinghe2024");
    w->编辑框_登录密码->setText("Passw0rd");
    Save(*w, "login-ready.png");

    w->showRegisterPanel();
    w->编辑框_注册账号->setText("newuser2024");
    w->编辑框_注册密码->setText("Secret123");
    w->编辑框_注册邮箱->setText("newuser@example.cn");
    Save(*w, "login-register.png");

    w->showRecoverPanel();
    w->编辑框_找回账号->setText("qinghe2024");
    w->编辑框_找回邮箱->setText("qinghe@example.cn");
    Save(*w, "login-recover.png");

    w->showLogInPanel();
    Save(WithBox(*w, {tk::Gbk("你的登录密码为[Passw0rd]，赶快登录呦！"), tk::MessageIcon::Information, {}}),
         "login-message.png");
    Save(WithBox(*w, {tk::Gbk("你输入的账号或密码不正确！"), tk::MessageIcon::Error, {}}), "login-message-error.png");
    delete w;
    g_failures += SaveUpdateScreens(g_dir);
    g_failures += SaveMainScreens(g_dir);
    return g_failures == 0 ? 0 : 1;
}
