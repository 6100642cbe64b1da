// Watches every overlapped call this test program makes to WaitCommEvent, ReadFile, WriteFile and
// GetOverlappedResult, and notes each time a record, or the event in it, is given to a new
// operation while an earlier one on it may still be pending, and each file closed under an
// operation still pending on it (which then completes into a record its owner may have freed). Windows writes each
// completion into the record it was given and signals that record's event, so such sharing lets one operation's
// completion pass for another's; Wine tolerates it, so only a check like this one can see it.
#pragma once

#include <windows.h>

#include <string>

namespace OverlappedCheck {

struct Findings {
    unsigned count = 0;  // sharings seen
    std::string first;   // what the first few were
};

// Wraps this program's own imports of the four calls and CloseHandle; true once they are wrapped.
// Idempotent.
bool Install();
// What was seen since the last call; forgets every record, so records that have gone out of scope
// since are never read again. Call it once no operation the program started is pending.
Findings Take();
// Line-event waits started so far by any thread; never goes back. Notifications that see the same
// number came from the same wake-up of a worker.
LONG LineWaitsStarted();

}  // namespace OverlappedCheck
