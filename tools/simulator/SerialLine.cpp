#include "SerialLine.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

SerialLine::SerialLine(const std::string& path) : path_(path) {
    // No controlling terminal: the simulator must not be hung up or signalled by its line.
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = "cannot open " + path + ": " + std::strerror(errno);
        return;
    }
    if (!Configure())
        error_ = "cannot set " + path + " to 9600 8N1: " + std::strerror(errno);
}

SerialLine::~SerialLine() {
    if (fd_ >= 0)
        ::close(fd_);
}

bool SerialLine::Configure() {
    termios settings{};
    if (::tcgetattr(fd_, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    return ::cfsetispeed(&settings, B9600) == 0 && ::cfsetospeed(&settings, B9600) == 0 &&
           ::tcsetattr(fd_, TCSANOW, &settings) == 0;
}

SerialLine::ReadResult SerialLine::Read(int timeoutMs, std::vector<std::uint8_t>* bytes) {
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, timeoutMs);
    if (ready < 0)
        return errno == EINTR ? ReadResult::Interrupted : ReadResult::Failed;
    if (ready == 0)
        return ReadResult::Quiet;
    std::uint8_t buffer[256];
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR)
        return ReadResult::Interrupted;
    if (got < 0 && errno == EAGAIN)
        return ReadResult::Quiet;
    // A pty whose other side is gone reads EIO or end of file: the cable was pulled.
    if (got <= 0)
        return ReadResult::Failed;
    bytes->insert(bytes->end(), buffer, buffer + got);
    return ReadResult::Data;
}

bool SerialLine::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return true;
}
