// bare_writer: the floor of press-to-wire latency. One window with one button; its window
// procedure writes the frame of the panel's first single-screen button on COM3 (or the port given
// on the command line) synchronously, the moment the click's command arrives. No worker thread,
// no overlapped I/O: the least a Win32 program can do between a click and the wire.
#include <windows.h>

#include <cwchar>

namespace {

// The control ids the panel uses, so the bench presses both programs the same way.
constexpr int kSingleScreen1 = 1003;
constexpr int kConnect = 1002;
const BYTE kFrame[] = {'G', 'E', 'F', 'g', '\n'};

HANDLE port = INVALID_HANDLE_VALUE;

HANDLE OpenLine(int number) {
    wchar_t path[32];
    std::swprintf(path, 32, L"\\\\.\\COM%d", number);
    HANDLE line = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (line == INVALID_HANDLE_VALUE)
        return line;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(line, &dcb);
    ::BuildCommDCBW(L"baud=9600 parity=N data=8 stop=1", &dcb);
    ::SetCommState(line, &dcb);
    return line;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kSingleScreen1 && HIWORD(wParam) == BN_CLICKED) {
                DWORD written = 0;
                ::WriteFile(port, kFrame, sizeof kFrame, &written, nullptr);
            }
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND CreateMainWindow(HINSTANCE instance) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"BareWriter";
    ::RegisterClassW(&windowClass);
    HWND window = ::CreateWindowW(L"BareWriter", L"bare writer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 240, 120,
                                  nullptr, nullptr, instance, nullptr);
    ::CreateWindowW(L"BUTTON", L"GEFg", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 10, 80, 30, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kSingleScreen1)), instance, nullptr);
    // The bench's process driver recognises a main window by this control.
    ::CreateWindowW(L"STATIC", L"COM", WS_CHILD | WS_VISIBLE, 100, 10, 80, 30, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kConnect)), instance, nullptr);
    return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const int number = commandLine && *commandLine ? _wtoi(commandLine) : 3;
    port = OpenLine(number);
    if (port == INVALID_HANDLE_VALUE || !CreateMainWindow(instance))
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::CloseHandle(port);
    return 0;
}
