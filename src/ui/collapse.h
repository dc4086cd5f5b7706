#pragma once
// The closing animation of every window: down to a thin line, then sideways to the middle, a small outward
// jump, and then either the window is destroyed or the process ends.
#include <vector>

class QWidget;

namespace tk {

struct WindowFigures {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const WindowFigures&) const = default;
};

// The step sizes, fixed from the start figures.
struct CollapseSteps {
    double heightStep = 0; // sH = H0 / D
    double widthStep = 0;  // sW = W0 / D
    int count = 0;         // n = D / 2, truncated
};
CollapseSteps CollapseStepsFor(int width, int height, double duration);

// One write to the window: which part of the animation it belongs to and the figures after it.
struct CollapseFrame {
    enum class Kind { Height, Flatten, Width, Jump };
    Kind kind;
    WindowFigures figures;
};

// The figures the animation writes, in order, for a window that takes every write as given
// (a negative size is written as 0).
std::vector<CollapseFrame> CollapsePlan(WindowFigures start, double duration);

// Ends the process with exit code 0 once the animation has played; no window handler runs after it.
[[noreturn]] void CollapseAndExit(QWidget* window, double duration);

// Destroys the window once the animation has played (a BorderlessWindow through destroyWindow(), so its
// will-be-destroyed handler runs once). Returns early when the window goes away during the animation.
void CollapseAndDestroy(QWidget* window, double duration);

// Flushes the standard streams and ends the process at once with the code.
[[noreturn]] void EndProcessNow(int code);

} // namespace tk
