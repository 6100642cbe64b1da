// A tty on Linux, held exclusively while quorvex-send uses it.
#include "Line.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include "Platform.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr unsigned kFirstPtyMajor = 136, kLastPtyMajor = 143;  // Unix98 pty slaves

bool IsPty(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && major(status.st_rdev) >= kFirstPtyMajor &&
           major(status.st_rdev) <= kLastPtyMajor;
}

std::string GroupOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return "?";
    const group* entry = ::getgrgid(status.st_gid);
    return entry ? entry->gr_name : std::to_string(status.st_gid);
}

std::string UserName() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? entry->pw_name : "$USER";
}

Failure OpenFailure(const std::string& path, int error) {
    switch (error) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
            return {kNoSuchLine, path + " does not exist (is the USB serial adapter plugged in?)"};
        case EACCES:
        case EPERM: {
            const std::string group = GroupOf(path);
            return {kNoPermission, UserName() + " may not open " + path + ": join its group " + group +
                                       " (sudo usermod -aG " + group + " " + UserName() + ") and log in again"};
        }
        case EBUSY:
            return {kLineInUse, path + " is in use by another program"};
        default:
            return {kNotSerial, "cannot open " + path + ": " + ErrorText(error)};
    }
}

bool SetRaw9600(int fd) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return false;
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(PARENB | CSTOPB | CSIZE | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;  // CLOCAL: a missing DCD must not block the writes
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    return ::cfsetispeed(&settings, B9600) == 0 && ::cfsetospeed(&settings, B9600) == 0 &&
           ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

// A pty has no modem lines of its own (Linux answers ENOTTY) unless a test gives it some; a
// real line that refuses them is not one the device can be driven on.
bool RaiseDtrAndRts(int fd) {
    const int lines = TIOCM_DTR | TIOCM_RTS;
    return ::ioctl(fd, TIOCMBIS, &lines) == 0 || (errno == ENOTTY && IsPty(fd));
}

class PosixSerialLine : public Line {
public:
    PosixSerialLine(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~PosixSerialLine() override {
        if (stuck_)  // closing would otherwise wait for the bytes still queued, up to 30 s
            ::tcflush(fd_, TCOFLUSH);
        ::ioctl(fd_, TIOCNXCL);  // the flag would outlive this descriptor while others hold the tty
        ::close(fd_);
    }
    PosixSerialLine(const PosixSerialLine&) = delete;
    PosixSerialLine& operator=(const PosixSerialLine&) = delete;

    bool Send(const std::uint8_t* bytes, std::size_t size, Failure* failure) override {
        stuck_ = false;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kLineTimeoutMs);
        for (std::size_t done = 0; done < size;) {
            const ssize_t put = ::write(fd_, bytes + done, size - done);
            if (put > 0) {
                done += static_cast<std::size_t>(put);
                continue;
            }
            if (put < 0 && errno == EINTR)
                continue;
            if (put < 0 && errno != EAGAIN)
                return Fail(failure);
            if (!WaitWritable(deadline))
                return Stuck(failure);
        }
        return Drain(deadline, failure);
    }

private:
    bool WaitWritable(Clock::time_point deadline) const {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            pollfd writable{fd_, POLLOUT, 0};
            const int ready = ::poll(&writable, 1, static_cast<int>(left));
            if (ready > 0)
                return true;
            if (ready < 0 && errno != EINTR)
                return false;
        }
    }

    // tcdrain takes no deadline, so the driver's queue is watched instead; what is left in the
    // UART's own FIFO goes out when the line is closed, which waits for it.
    bool Drain(Clock::time_point deadline, Failure* failure) {
        for (;;) {
            int queued = 0;
            if (::ioctl(fd_, TIOCOUTQ, &queued) != 0)
                return Fail(failure);
            if (queued == 0)
                return true;
            if (Clock::now() >= deadline)
                return Stuck(failure);
            PauseMs(1);
        }
    }

    bool Fail(Failure* failure) const {
        *failure = {kSendFailed, "writing to " + path_ + " failed: " + ErrorText(errno)};
        return false;
    }

    // What was written stays queued: a far end that reads again gets it, and a holder that sends
    // on after a failure (the bridge) never loses bytes it already reported sent.
    bool Stuck(Failure* failure) {
        stuck_ = true;
        *failure = StuckLineFailure(path_);
        return false;
    }

    int fd_;
    std::string path_;
    bool stuck_ = false;  // the last send found the output stopped
};

}  // namespace

std::unique_ptr<Line> OpenSerialLine(const std::string& path, Failure* failure) {
    // Non-blocking, so that opening does not wait for DCD and no write can hang; no controlling terminal.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *failure = OpenFailure(path, errno);
        return nullptr;
    }
    if (!::isatty(fd)) {
        ::close(fd);
        *failure = {kNotSerial, path + " is not a serial line; LINE must be a tty such as /dev/ttyUSB0"};
        return nullptr;
    }
    // A program that holds the line exclusively (TIOCEXCL) made the open fail with EBUSY, unless
    // this user may override that; one that locks it, as quorvex-send does, is using it too.
    int heldExclusively = 0;
    if ((::ioctl(fd, TIOCGEXCL, &heldExclusively) == 0 && heldExclusively) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        *failure = {kLineInUse, path + " is in use by another program"};
        return nullptr;
    }
    auto line = std::make_unique<PosixSerialLine>(fd, path);
    if (::ioctl(fd, TIOCEXCL) != 0 || !SetRaw9600(fd)) {
        *failure = {kNotSerial, "cannot set " + path + " to 9600 8N1: " + ErrorText(errno)};
        return nullptr;
    }
    if (!RaiseDtrAndRts(fd)) {
        *failure = {kNotSerial, "cannot raise DTR and RTS on " + path + ": " + ErrorText(errno)};
        return nullptr;
    }
    return line;
}
