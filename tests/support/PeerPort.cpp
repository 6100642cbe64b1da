#include "PeerPort.h"

#include "Wait.h"

#include <cstdio>

PeerPort::PeerPort(int comNumber) {
    wchar_t path[32];
    std::swprintf(path, 32, L"\\\\.\\COM%d", comNumber);
    handle_ = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE)
        return;
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    ::GetCommState(handle_, &dcb);
    ::BuildCommDCBW(L"baud=9600 parity=N data=8 stop=1", &dcb);
    ::SetCommState(handle_, &dcb);
    // Short total timeouts: a read returns what came within 20 ms.
    COMMTIMEOUTS timeouts{0, 0, 20, 0, 1000};
    ::SetCommTimeouts(handle_, &timeouts);
    Discard();
}

PeerPort::~PeerPort() {
    if (IsOpen())
        ::CloseHandle(handle_);
}

bool PeerPort::Write(const Bytes& bytes) const {
    DWORD written = 0;
    return ::WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

Bytes PeerPort::Read(size_t count, DWORD timeoutMs) const {
    Bytes received;
    const ULONGLONG deadline = ::GetTickCount() + static_cast<ULONGLONG>(timeoutMs);
    while (received.size() < count && ::GetTickCount() < deadline) {
        PumpMessages();  // an engine on this thread's windows reports to them synchronously
        BYTE buffer[256];
        DWORD got = 0;
        const DWORD want =
            static_cast<DWORD>(count - received.size() < sizeof(buffer) ? count - received.size() : sizeof(buffer));
        if (!::ReadFile(handle_, buffer, want, &got, nullptr))
            break;
        received.insert(received.end(), buffer, buffer + got);
    }
    return received;
}

Bytes PeerPort::ReadUntilQuiet(DWORD quietMs) const {
    Bytes received;
    ULONGLONG lastByte = ::GetTickCount();
    while (::GetTickCount() - lastByte < quietMs) {
        PumpMessages();
        BYTE buffer[256];
        DWORD got = 0;
        if (!::ReadFile(handle_, buffer, sizeof(buffer), &got, nullptr))
            break;
        if (got) {
            received.insert(received.end(), buffer, buffer + got);
            lastByte = ::GetTickCount();
        }
    }
    return received;
}

void PeerPort::Discard() const { ::PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT); }

DWORD PeerPort::Unsent() const {
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(handle_, &errors, &status) ? status.cbOutQue : 0;
}

DWORD PeerPort::ModemStatus() const {
    DWORD status = 0;
    return ::GetCommModemStatus(handle_, &status) ? status : 0;
}

Bytes Frame(const char* code) { return Bytes{'G', static_cast<BYTE>(code[0]), static_cast<BYTE>(code[1]), 'g', '\n'}; }

std::string Hex(const Bytes& bytes) {
    std::string text;
    char part[4];
    for (BYTE b : bytes) {
        std::snprintf(part, sizeof(part), "%s%02X", text.empty() ? "" : " ", b);
        text += part;
    }
    return text;
}
