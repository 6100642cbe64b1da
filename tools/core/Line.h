// Where quorvex-send's frames go: a serial line, or a serial server's raw TCP port.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "Failure.h"
#include "LineAddress.h"

class Line {
public:
    virtual ~Line() = default;
    // Sends the bytes whole and returns once they have left this end of the line.
    virtual bool Send(const std::uint8_t* bytes, std::size_t size, Failure* failure) = 0;
    // After the last frame: false and *failure set when the far end shows it did not take them.
    virtual bool Finish(Failure*) { return true; }
};

// Opened at 9600 8N1, no flow control, DTR and RTS on; nullptr and *failure set when it cannot be.
std::unique_ptr<Line> OpenSerialLine(const std::string& path, Failure* failure);
// Connected within a few seconds, or nullptr and *failure set.
std::unique_ptr<Line> OpenTcpLine(const std::string& host, const std::string& port, Failure* failure);

// A serial line whose output is stopped, as a wedged adapter holds it: said alike on every system.
inline Failure StuckLineFailure(const std::string& name) {
    return {kSendFailed, name + " did not send the bytes within " + std::to_string(kLineTimeoutMs / 1000) +
                             " seconds: its output is stopped (a wedged adapter?)"};
}

inline std::unique_ptr<Line> OpenLine(const LineAddress& address, Failure* failure) {
    return address.tcp ? OpenTcpLine(address.host, address.port, failure) : OpenSerialLine(address.path, failure);
}
