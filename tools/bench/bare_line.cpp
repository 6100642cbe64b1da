#include "bare_line.h"

#include <cwchar>

HANDLE OpenBareLine(int number, DWORD flags) {
    wchar_t path[32];
    std::swprintf(path, 32, L"\\\\.\\COM%d", number);
    HANDLE line = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, flags, nullptr);
    if (line == INVALID_HANDLE_VALUE)
        return line;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(line, &dcb);
    ::BuildCommDCBW(L"baud=9600 parity=N data=8 stop=1", &dcb);
    ::SetCommState(line, &dcb);
    return line;
}

int BareLineNumber(const wchar_t* commandLine) {
    if (commandLine && *commandLine)
        return _wtoi(commandLine);
    wchar_t fromDriver[16] = {};
    return ::GetEnvironmentVariableW(L"QUORVEX_BARE_LINE", fromDriver, 16) > 0 ? _wtoi(fromDriver) : 3;
}
