// The client's start routine: toolkit, shared objects, the log-in window, the event loop, exit code 0.
#include "app/app_state.h"
#include "ui/login_window.h"
#include "ui/update_window.h"
#include "ui/widgets.h"

#include <QApplication>

#include <cstdlib>

namespace {
tk::AppState* g_app = nullptr;

void ReleaseSharedObjects() {
    delete g_app;
    g_app = nullptr;
}
} // namespace

int main(int argc, char** argv) {
    QApplication toolkit(argc, argv);
    tk::ApplyApplicationLook(toolkit);
    // Windows leave through their collapse; the process ends when the last one has gone.
    QApplication::setQuitOnLastWindowClosed(false);
    tk::BorderlessWindow::setQuitWhenAllGone(true);

    g_app = new tk::AppState();
    tk::UpdateSession updates; // the downloader, from start-up to exit
    std::atexit(ReleaseSharedObjects);

    auto* login = new tk::LoginWindow(*g_app);
    login->onCreated();

    QApplication::exec();
    return 0;
}
