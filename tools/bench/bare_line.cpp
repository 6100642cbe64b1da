#include "bare_line.h"

#include <cwchar>

namespace {

constexpr int kConnect = 1002;

}  // namespace

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

int BareLineNumber(const wchar_t* commandLine) { return commandLine && *commandLine ? _wtoi(commandLine) : 3; }

HWND CreateBareWriterWindow(HINSTANCE instance, const wchar_t* title, WNDPROC windowProc) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = windowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"BareWriter";
    ::RegisterClassW(&windowClass);
    HWND window = ::CreateWindowW(L"BareWriter", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 120, nullptr,
                                  nullptr, instance, nullptr);
    ::CreateWindowW(L"BUTTON", L"GEFg", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 30, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBareSingleScreen1)), instance, nullptr);
    ::CreateWindowW(L"STATIC", L"COM", WS_CHILD | WS_VISIBLE, 100, 10, 80, 30, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kConnect)), instance, nullptr);
    return window;
}

int RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
