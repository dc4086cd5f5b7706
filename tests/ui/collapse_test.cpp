#include "ui/collapse.h"
#include "ui/widgets.h"

#include <QCoreApplication>
#include <QPointer>
#include <QProcess>
#include <gtest/gtest.h>

#include <vector>

using tk::CollapseFrame;
using tk::WindowFigures;

namespace {

std::vector<WindowFigures> FramesOf(const std::vector<CollapseFrame>& plan, CollapseFrame::Kind kind) {
    std::vector<WindowFigures> out;
    for (const auto& f : plan)
        if (f.kind == kind) out.push_back(f.figures);
    return out;
}

struct PlanCase {
    const char* name;
    WindowFigures start;
    double duration;
    size_t heightSteps;
    size_t widthSteps;
    std::vector<int> heights, tops, widths, lefts; // the first figures written by each loop
    WindowFigures jump;                            // the final outward jump
};

const PlanCase kPlans[] = {
    {"log-in window, D=20", {50, 50, 400, 350}, 20, 10, 10,
     {315, 280, 245, 210, 175, 140, 105, 70, 35, 0}, {67, 84, 101, 118, 135, 152, 169, 186, 203, 220},
     {360, 320, 280, 240, 200, 160, 120, 80, 40, 0}, {70, 90, 110, 130, 150, 170, 190, 210, 230, 250},
     {240, 217, 20, 8}},
    // The last height step computes a negative height, written as 0.
    {"main window, D=40", {0, 0, 950, 650}, 40, 20, 20, {617, 584, 551, 518}, {16, 32, 48, 64},
     {902, 854, 806, 758}, {23, 46, 69, 92}, {450, 317, 20, 8}},
    {"will-be-destroyed, D=10", {50, 50, 400, 350}, 10, 5, 5, {280, 210, 140, 70, 0}, {85, 120, 155, 190, 225},
     {320, 240, 160, 80, 0}, {90, 130, 170, 210, 250}, {240, 222, 20, 8}},
    {"narrower than 10", {100, 100, 8, 300}, 20, 10, 0, {270}, {115}, {}, {}, {90, 247, 28, 8}},
    // 15 -> 7 after the first width step; the second finds it below 10 and leaves the loop.
    {"falls below 10 half-way", {0, 0, 15, 40}, 4, 2, 1, {20, 0}, {10, 20}, {7}, {3}, {-7, 17, 27, 8}},
    {"too short to take a step", {10, 10, 100, 100}, 1, 0, 0, {}, {}, {}, {}, {0, 7, 120, 8}},
};

class CollapsePlanTest : public ::testing::TestWithParam<PlanCase> {};

TEST_P(CollapsePlanTest, WritesTheExpectedFigures) {
    const PlanCase& c = GetParam();
    const auto plan = tk::CollapsePlan(c.start, c.duration);
    const auto heights = FramesOf(plan, CollapseFrame::Kind::Height);
    const auto widths = FramesOf(plan, CollapseFrame::Kind::Width);
    const auto flat = FramesOf(plan, CollapseFrame::Kind::Flatten);
    ASSERT_EQ(heights.size(), c.heightSteps);
    ASSERT_EQ(widths.size(), c.widthSteps);
    ASSERT_EQ(flat.size(), 1u);
    EXPECT_EQ(flat[0].height, 2);
    for (size_t i = 0; i < c.heights.size(); ++i) {
        EXPECT_EQ(heights[i].height, c.heights[i]) << "height step " << i;
        EXPECT_EQ(heights[i].top, c.tops[i]) << "height step " << i;
        EXPECT_EQ(heights[i].width, c.start.width) << "height step " << i;
    }
    for (size_t i = 0; i < c.widths.size(); ++i) {
        EXPECT_EQ(widths[i].width, c.widths[i]) << "width step " << i;
        EXPECT_EQ(widths[i].left, c.lefts[i]) << "width step " << i;
        EXPECT_EQ(widths[i].height, 2) << "width step " << i;
    }
    ASSERT_EQ(plan.back().kind, CollapseFrame::Kind::Jump);
    EXPECT_EQ(plan.back().figures, c.jump);
}

INSTANTIATE_TEST_SUITE_P(Plans, CollapsePlanTest, ::testing::ValuesIn(kPlans),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(CollapseSteps, ComputedOnceFromTheStartFigures) {
    const auto s = tk::CollapseStepsFor(950, 650, 40);
    EXPECT_DOUBLE_EQ(s.heightStep, 16.25);
    EXPECT_DOUBLE_EQ(s.widthStep, 23.75);
    EXPECT_EQ(s.count, 20);
    EXPECT_EQ(tk::CollapseStepsFor(400, 350, 15).count, 7); // n truncated
    EXPECT_EQ(tk::CollapseStepsFor(400, 350, 0).count, 0);
}

class CountingWindow : public tk::BorderlessWindow {
public:
    int handlerRuns = 0;
    bool collapseInHandler = false;
    QRect geometryAtHandler;

protected:
    void willBeDestroyed() override {
        ++handlerRuns;
        geometryAtHandler = geometry();
        if (collapseInHandler) tk::CollapseAndDestroy(this, 10);
    }
};

void FlushDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
}

TEST(CollapseAndDestroy, PlaysOnARealWindowThenRunsTheHandlerOnce) {
    for (bool nested : {false, true}) {
        SCOPED_TRACE(nested ? "handler collapses again" : "plain handler");
        auto* w = new CountingWindow;
        w->collapseInHandler = nested;
        w->setGeometry(50, 50, 400, 350);
        w->show();
        QPointer<CountingWindow> alive(w);
        tk::CollapseAndDestroy(w, 20);
        ASSERT_TRUE(alive); // deleted later, from the event loop
        EXPECT_EQ(w->handlerRuns, 1);
        EXPECT_EQ(w->geometryAtHandler, QRect(240, 217, 20, 8));
        EXPECT_FALSE(w->destroyWindow()); // already under way: nothing happens
        EXPECT_EQ(w->handlerRuns, 1);
        FlushDeletes();
        EXPECT_FALSE(alive);
    }
}

TEST(CollapseAndDestroy, CloseFromTheWindowSystemGoesTheSameWay) {
    auto* w = new CountingWindow;
    w->setGeometry(10, 10, 200, 100);
    w->show();
    QPointer<CountingWindow> alive(w);
    w->close();
    ASSERT_TRUE(alive);
    EXPECT_EQ(w->handlerRuns, 1);
    FlushDeletes();
    EXPECT_FALSE(alive);
}

TEST(CollapseAndExit, EndsWithZeroAndRunsNoWindowHandler) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--collapse-and-exit-child"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString out = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child.exitCode(), 0);
    EXPECT_TRUE(out.contains("collapsing")) << out.toStdString();
    EXPECT_FALSE(out.contains("will-be-destroyed")) << out.toStdString();
    EXPECT_FALSE(out.contains("destructor")) << out.toStdString();
}

} // namespace
