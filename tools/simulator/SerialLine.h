// One end of a serial line (a tty or a pty), opened raw at 9600 8N1. The descriptor is closed
// when the object goes.
#pragma once

#include "Line.h"

class SerialLine : public Line {
public:
    explicit SerialLine(const std::string& path);
    ~SerialLine() override;
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    std::string Describe() const override { return path_ + " at 9600 8N1"; }
    ReadResult Read(int timeoutMs, std::vector<std::uint8_t>* bytes) override;
    bool Write(const std::vector<std::uint8_t>& bytes) override;

private:
    bool Configure();

    std::string path_;
    int fd_ = -1;
};
