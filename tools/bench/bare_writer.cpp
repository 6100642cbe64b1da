// bare_writer: the lowest floor of press-to-wire latency. One window with one button; its window
// procedure writes the frame of the panel's first single-screen button on COM3 (or the port given
// on the command line) synchronously, the moment the click's command arrives. No worker thread,
// no overlapped I/O: the least a Win32 program can do between a click and the wire.
#include <windows.h>

#include "bare_line.h"

namespace {

constexpr int kSingleScreen1 = 1003;  // the panel's first single-screen button
constexpr int kConnect = 1002;        // by which the bench's process driver knows a main window

HANDLE port = INVALID_HANDLE_VALUE;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kSingleScreen1 && HIWORD(wParam) == BN_CLICKED) {
                DWORD written = 0;
                ::WriteFile(port, kBareFrame, sizeof kBareFrame, &written, nullptr);
            }
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

// A plain button, and a control with the panel's Connect id.
HWND CreateWriterWindow(HINSTANCE instance) {
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
    ::CreateWindowW(L"STATIC", L"COM", WS_CHILD | WS_VISIBLE, 100, 10, 80, 30, window,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(kConnect)), instance, nullptr);
    return window;
}

void RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    port = OpenBareLine(BareLineNumber(commandLine), 0);
    if (port == INVALID_HANDLE_VALUE || !CreateWriterWindow(instance))
        return 1;
    RunMessageLoop();
    ::CloseHandle(port);
    return 0;
}
