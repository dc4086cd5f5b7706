#include "ui/collapse.h"

#include "app/pump.h"
#include "ui/widgets.h"

#include <QPointer>
#include <QWidget>

#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace tk {

namespace {

int Trunc(double v) { return static_cast<int>(std::trunc(v)); }
int Size(double v) { return std::max(0, Trunc(v)); }

// The four kinds of writes, each reading the current figures. Shared by the plan and the real window.
WindowFigures HeightStep(WindowFigures f, const CollapseSteps& s) {
    f.height = Size(f.height - 2 * s.heightStep);
    f.top = Trunc(f.top + s.heightStep);
    return f;
}

WindowFigures Flatten(WindowFigures f) {
    f.height = 2;
    return f;
}

WindowFigures WidthStep(WindowFigures f, const CollapseSteps& s) {
    f.left = Trunc(f.left + s.widthStep);
    f.width = Size(f.width - 2 * s.widthStep);
    return f;
}

WindowFigures Jump(WindowFigures f) { return {f.left - 10, f.top - 3, f.width + 20, f.height + 6}; }

WindowFigures Read(const QWidget* w) {
    const QRect g = w->geometry();
    return {g.x(), g.y(), g.width(), g.height()};
}

// Plays the animation; false when the window went away while it played.
bool Play(QPointer<QWidget> w, double duration) {
    if (!w) return false;
    const WindowFigures start = Read(w);
    const CollapseSteps s = CollapseStepsFor(start.width, start.height, duration);
    for (int i = 0; i < s.count; ++i) {
        WaitPumping(10);
        if (!w) return false;
        const WindowFigures next = HeightStep(Read(w), s);
        w->resize(w->width(), next.height);
        w->move(w->x(), next.top);
    }
    WaitPumping(30);
    if (!w) return false;
    w->resize(w->width(), 2);
    for (int i = 0; i < s.count; ++i) {
        WaitPumping(10);
        if (!w) return false;
        if (w->width() < 10) break;
        const WindowFigures next = WidthStep(Read(w), s);
        w->move(next.left, w->y());
        w->resize(next.width, w->height());
    }
    const WindowFigures last = Jump(Read(w));
    w->setGeometry(last.left, last.top, last.width, last.height);
    WaitPumping(30);
    return !w.isNull();
}

} // namespace

CollapseSteps CollapseStepsFor(int width, int height, double duration) {
    CollapseSteps s;
    if (!(duration > 0)) return s; // no steps; the sizes are never used
    s.heightStep = height / duration;
    s.widthStep = width / duration;
    s.count = Trunc(duration / 2);
    return s;
}

std::vector<CollapseFrame> CollapsePlan(WindowFigures start, double duration) {
    std::vector<CollapseFrame> plan;
    const CollapseSteps s = CollapseStepsFor(start.width, start.height, duration);
    WindowFigures f = start;
    for (int i = 0; i < s.count; ++i) plan.push_back({CollapseFrame::Kind::Height, f = HeightStep(f, s)});
    plan.push_back({CollapseFrame::Kind::Flatten, f = Flatten(f)});
    for (int i = 0; i < s.count; ++i) {
        if (f.width < 10) break;
        plan.push_back({CollapseFrame::Kind::Width, f = WidthStep(f, s)});
    }
    plan.push_back({CollapseFrame::Kind::Jump, f = Jump(f)});
    return plan;
}

void EndProcessNow(int code) {
    std::fflush(nullptr);
    // _exit: neither window destructors nor static destructors of the toolkit get a chance to run handlers.
    ::_exit(code);
}

void CollapseAndExit(QWidget* window, double duration) {
    Play(QPointer<QWidget>(window), duration);
    EndProcessNow(0);
}

void CollapseAndDestroy(QWidget* window, double duration) {
    QPointer<QWidget> w(window);
    if (!Play(w, duration)) return;
    if (auto* bw = qobject_cast<BorderlessWindow*>(w.data())) {
        bw->destroyWindow();
        return;
    }
    w->hide();
    w->deleteLater();
}

} // namespace tk
