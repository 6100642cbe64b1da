// A COM port on Windows, opened exclusively as Windows opens every COM port.
#include "Line.h"

#include <windows.h>

#include "Platform.h"

namespace {

// COM10 and above open only through the device namespace; it serves COM1 to COM9 as well.
std::string DevicePath(const std::string& name) {
    const bool isComName = name.size() > 3 && _strnicmp(name.c_str(), "COM", 3) == 0 &&
                           name.find_first_not_of("0123456789", 3) == std::string::npos;
    return isComName ? "\\\\.\\" + name : name;
}

Failure OpenFailure(const std::string& name, DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return {kNoSuchLine, name + " does not exist (is the USB serial adapter plugged in?)"};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:  // Wine's answer for a tty another program holds exclusively
            return {kLineInUse, name + " is in use by another program"};
        default:
            return {kNotSerial, "cannot open " + name + ": " + ErrorText(error)};
    }
}

// DTR and RTS on, and left on: the panel sets the line the same way.
bool SetRaw9600(HANDLE port) {
    DCB line{};
    line.DCBlength = sizeof line;
    if (!::GetCommState(port, &line))
        return false;
    line.BaudRate = CBR_9600;
    line.ByteSize = 8;
    line.Parity = NOPARITY;
    line.StopBits = ONESTOPBIT;
    line.fBinary = TRUE;
    line.fParity = FALSE;
    line.fOutxCtsFlow = FALSE;
    line.fOutxDsrFlow = FALSE;
    line.fDsrSensitivity = FALSE;
    line.fDtrControl = DTR_CONTROL_ENABLE;
    line.fRtsControl = RTS_CONTROL_ENABLE;
    line.fOutX = FALSE;
    line.fInX = FALSE;
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(kLineTimeoutMs);
    return ::SetCommState(port, &line) && ::SetCommTimeouts(port, &timeouts);
}

class Win32SerialLine : public Line {
public:
    Win32SerialLine(HANDLE port, std::string name) : port_(port), name_(std::move(name)) {}
    ~Win32SerialLine() override {
        if (stuck_)  // closing would otherwise wait for the bytes still queued
            ::PurgeComm(port_, PURGE_TXABORT | PURGE_TXCLEAR);
        ::CloseHandle(port_);
    }
    Win32SerialLine(const Win32SerialLine&) = delete;
    Win32SerialLine& operator=(const Win32SerialLine&) = delete;

    // A write that times out succeeds with fewer bytes written, as Windows ends a serial write.
    bool Send(const std::uint8_t* bytes, std::size_t size, Failure* failure) override {
        stuck_ = false;
        const DWORD started = ::GetTickCount();
        DWORD written = 0;
        if (!::WriteFile(port_, bytes, static_cast<DWORD>(size), &written, nullptr))
            return Fail(::GetLastError(), failure);
        if (written != size)
            return Stuck(failure);
        return Drain(started, failure);
    }

private:
    // Until the driver's transmit queue is empty. FlushFileBuffers would wait without a bound on a
    // stuck line, where ClearCommError can be asked again until the time is up.
    bool Drain(DWORD started, Failure* failure) {
        for (;;) {
            DWORD errors = 0;
            COMSTAT status{};
            if (!::ClearCommError(port_, &errors, &status))
                return Fail(::GetLastError(), failure);
            if (status.cbOutQue == 0)
                return true;
            if (::GetTickCount() - started >= static_cast<DWORD>(kLineTimeoutMs))
                return Stuck(failure);
            ::Sleep(1);
        }
    }

    bool Fail(DWORD error, Failure* failure) const {
        *failure = {kSendFailed, "writing to " + name_ + " failed: " + ErrorText(error)};
        return false;
    }

    // What was written stays queued: a far end that reads again gets it, and a holder that sends
    // on after a failure (the bridge) never loses bytes it already reported sent.
    bool Stuck(Failure* failure) {
        stuck_ = true;
        *failure = StuckLineFailure(name_);
        return false;
    }

    HANDLE port_;
    std::string name_;
    bool stuck_ = false;  // the last send found the output stopped
};

}  // namespace

std::unique_ptr<Line> OpenSerialLine(const std::string& name, Failure* failure) {
    const HANDLE port =
        ::CreateFileA(DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        *failure = OpenFailure(name, ::GetLastError());
        return nullptr;
    }
    auto line = std::make_unique<Win32SerialLine>(port, name);
    if (!SetRaw9600(port)) {
        *failure = {kNotSerial, name + " is not a serial line: " + ErrorText(::GetLastError())};
        return nullptr;
    }
    return line;
}
