#include "main_screens.h"

#include "shots.h"

#include "accounts/accounts.h"
#include "app/pump.h"
#include "collect/collection.h"
#include "support/gateway_fixture.h"
#include "support/paths.h"
#include "support/server_process.h"
#include "text/encoding.h"
#include "ui/main_window.h"
#include "ui/message_box.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>

namespace {

int g_failed = 0;
QString g_out;

void Save(const QImage& image, const char* name) { g_failed += tk::shots::Save(image, g_out, name); }

QImage WithBox(QWidget& window, const tk::Message& m) { return tk::shots::WithMessageBox(window, m); }

} // namespace

int SaveMainScreens(const QString& dir) {
    g_out = dir;
    tk::test::GatewayFixture gateway;
    tk::test::ServerProcess search;
    if (!gateway.start() ||
        !search.start(tk::test::sampleSearchBinary(), {"--listen", "127.0.0.1:0", "--delay-ms", "250"})) {
        std::fprintf(stderr, "main window shots: servers did not start\n");
        return 1;
    }
    gateway.admin({"users", "add", "qinghe2024", "Passw0rd", "qinghe@example.cn"});

    tk::AppState app;
    app.settings.gatewayBase = gateway.baseUrl();
    app.settings.probeUrl = search.baseUrl();
    app.settings.searchHost = search.hostPort();
    app.settings.webSite = search.baseUrl();
    app.settings.pictureServer = "http://" + search.hostPort();
    app.gateway = tk::ConnectGateway(app, app.settings.gatewayBase, app.settings.gatewayPage,
                                     app.settings.gatewaySymbols, 1, 1);
    if (tk::LogIn(app, "qinghe2024", "Passw0rd") != tk::LogInOutcome::Success) {
        std::fprintf(stderr, "main window shots: log-in failed\n");
        return 1;
    }
    tk::SetOpenUrlHook([](const QUrl&) {});
    tk::MessageRecorder quiet;
    tk::MainWindow* w = tk::MainWindow::open(app);
    w->时钟1->stop(); // no heartbeat ending in the middle of the pictures
    for (int i = 0; i < 100 && !w->时钟2->isActive(); ++i) tk::WaitPumping(100);
    tk::WaitPumping(3000); // the carousel a little way into its first turn
    Save(w->grab().toImage(), "main-personal.png");

    w->showPasswordPage();
    w->编辑框_原始密码->setText("Passw0rd");
    w->编辑框_修改密码->setText("NewPass2024");
    w->编辑框_确认密码->setText("NewPass2024");
    Save(w->grab().toImage(), "main-password.png");

    w->showCollector();
    w->编辑框3->setText(QString::fromUtf8("T恤"));
    w->编辑框4->setText("100");
    w->编辑框10->setText("4");
    w->选择框1->setChecked(true);
    w->选择框2->setChecked(true);
    w->选择框3->setChecked(true);
    w->选择框10->setChecked(true);
    bool caught = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!caught && w->products()->count() >= 80) {
            caught = true;
            Save(w->grab().toImage(), "main-collecting.png");
        }
    });
    watch.start(20);
    w->StartCollection();
    watch.stop();
    Save(w->grab().toImage(), "main-collector.png");
    Save(WithBox(*w, {tk::CollectionDoneMessage(w->collectedCount()), tk::MessageIcon::None, {}}),
         "main-collected-message.png");
    delete w;
    tk::SetOpenUrlHook({});
    return g_failed;
}
