#pragma once
#include <functional>

// The one place where the client waits while window messages keep flowing. On the GUI thread (the thread of
// the QCoreApplication, while it exists) these run a local event loop; on any other thread they simply block.
namespace tk {

bool OnGuiThread();

// Dispatches the events that are pending now, without waiting.
void PumpPendingInput();

// Waits ms milliseconds.
void WaitPumping(int ms);

} // namespace tk
