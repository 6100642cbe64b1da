// What a line is, as every program that holds one takes it: a tty or COM port, or a serial server's
// raw TCP port written tcp:HOST:PORT; and the bounds all of them keep on it.
#pragma once

#include <string>

// A line that has not taken a frame, or a serial server that has not answered, within this long
// has failed.
inline constexpr int kLineTimeoutMs = 3000;
// A line that is gone is tried again this often.
inline constexpr int kLineRetryMs = 500;
// Long enough for a device built for a panel pressed by hand, a few presses a second at most.
inline constexpr unsigned kDefaultGapMs = 200;
inline constexpr unsigned kLongestGapMs = 60000;

struct LineAddress {
    std::string text;  // as given
    bool tcp = false;
    std::string path;  // a tty, or a COM port on Windows
    std::string host, port;
};

// A tty or COM port as it stands, or tcp:HOST:PORT by the serial server's address rule; false when
// TEXT is neither.
bool ParseLineAddress(const std::string& text, LineAddress* line);
extern const char kTcpAddressRule[];
