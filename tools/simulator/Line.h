// Where the simulated device's bytes come from and go to: a serial line, or the one client of a
// TCP port standing in for a serial server.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class Line {
public:
    virtual ~Line() = default;
    // Check Error() after construction: empty when the line is ready.
    const std::string& Error() const { return error_; }
    // How the log names it, e.g. "/dev/pts/3 at 9600 8N1".
    virtual std::string Describe() const = 0;

    // Connected: a client has just come to a TCP line; a serial line never reports it.
    enum class ReadResult { Data, Quiet, Interrupted, Failed, Connected };
    // Waits up to timeoutMs for bytes; appends what came to *bytes.
    virtual ReadResult Read(int timeoutMs, std::vector<std::uint8_t>* bytes) = 0;
    virtual bool Write(const std::vector<std::uint8_t>& bytes) = 0;

protected:
    std::string error_;
};
