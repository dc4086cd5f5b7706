#include "app/pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

namespace tk {

bool OnGuiThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void PumpPendingInput() {
    if (OnGuiThread()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitPumping(int ms) {
    if (ms < 0) ms = 0;
    if (!OnGuiThread()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace tk
