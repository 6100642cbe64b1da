// One end of a serial line (a tty or a pty), opened raw at 9600 8N1. The descriptor is closed
// when the object goes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class SerialLine {
public:
    // Check Error() afterwards: empty when the line is open and set up.
    explicit SerialLine(const std::string& path);
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    const std::string& Error() const { return error_; }
    enum class ReadResult { Data, Quiet, Interrupted, Failed };
    // Waits up to timeoutMs for bytes; appends what came to *bytes.
    ReadResult Read(int timeoutMs, std::vector<std::uint8_t>* bytes);
    bool Write(const std::vector<std::uint8_t>& bytes);

private:
    bool Configure();

    int fd_ = -1;
    std::string error_;
};
