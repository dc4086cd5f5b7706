// Widget tests need a QApplication; the same binary doubles as the child process of the exit test.
#include "ui/collapse.h"
#include "ui/widgets.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

namespace {
class NoisyWindow : public tk::BorderlessWindow {
protected:
    void willBeDestroyed() override { std::printf("will-be-destroyed handler ran\n"); }

public:
    ~NoisyWindow() override { std::printf("destructor ran\n"); }
};

int RunCollapseAndExitChild(double duration) {
    NoisyWindow w;
    w.setGeometry(50, 50, 400, 350);
    w.show();
    std::printf("collapsing\n");
    tk::CollapseAndExit(&w, duration);
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    tk::ApplyApplicationLook(app);
    if (argc > 1 && std::strcmp(argv[1], "--collapse-and-exit-child") == 0) return RunCollapseAndExitChild(40);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
