// The little of the bridge that differs between Linux and Windows besides the lines and sockets,
// which Asio and the shared line code take care of.
#pragma once

#include <ctime>
#include <string>

#include "Asio.h"
#include "tools/core/LineAddress.h"

// True once a tty's device is gone (a USB adapter unplugged), seen while the line is idle. A COM
// port and a serial server are found gone by the next write instead.
bool LineVanished(const LineAddress& address);
// After a write that failed: true to keep the line open, as a tty whose far end stopped reading may
// read again, and what was written stays queued for it.
bool KeepLineAfterFailure(const LineAddress& address);
// The soft limit on open files up to the hard one: each connection holds a descriptor. Returns the
// limit now in force, or 0 where the system has none for sockets.
unsigned long RaiseOpenFileLimit();
std::tm LocalCalendarTime(std::time_t seconds);
// No other program, and no other bridge, may listen on the acceptor's port while it does: not even
// one that asks to share it.
void KeepPortToItself(tcp::acceptor& acceptor, boost::system::error_code& error);
