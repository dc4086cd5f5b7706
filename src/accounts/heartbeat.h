#pragma once
#include "app/app_state.h"
#include "app/message.h"

namespace tk {

enum class OnlineCheck { NetworkGone, NoSingleRow, KeyEmpty, KeyEqual, KeyDifferent };

// One heartbeat check, meant for a worker thread of its own: the internet check, then the account's row
// (kept in a table of its own; app.lastResult is never touched). Reads app.settings.probeUrl, app.gateway,
// app.currentUserId and app.onlineKey only, which are all written before the heartbeat starts.
// The caller applies the timer, the message and the collapse on the GUI thread.
OnlineCheck CheckOnline(const AppState& app);

// KeyEqual re-arms the timer; every other ending stops it and ends the program.
inline bool KeepsRunning(OnlineCheck check) { return check == OnlineCheck::KeyEqual; }
// Endings after which the client clears its online flag (SetOnlineState(app, 0)) before it goes. A key that
// differs belongs to the other client, whose flag this one must not clear.
inline bool ClearsOnlineFlag(OnlineCheck check) {
    return check == OnlineCheck::NetworkGone || check == OnlineCheck::NoSingleRow || check == OnlineCheck::KeyEmpty;
}
// The main window owns the message box of the two key endings; the failure endings have no owner.
inline bool MessageOwnedByMainWindow(OnlineCheck check) {
    return check == OnlineCheck::KeyEmpty || check == OnlineCheck::KeyDifferent;
}

// The message of an ending; KeyEqual has none (empty text). An empty caption means the default "信息：".
Message messageFor(OnlineCheck check);

} // namespace tk
