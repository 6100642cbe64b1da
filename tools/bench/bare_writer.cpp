// bare_writer: the lowest floor of press-to-wire latency. One window with one button; its window
// procedure writes the frame of the panel's first single-screen button on COM3 (or the port given
// on the command line) synchronously, the moment the click's command arrives. No worker thread,
// no overlapped I/O: the least a Win32 program can do between a click and the wire.
#include <windows.h>

#include "bare_line.h"

namespace {

HANDLE port = INVALID_HANDLE_VALUE;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(wParam) == kBareSingleScreen1 && HIWORD(wParam) == BN_CLICKED) {
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

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    port = OpenBareLine(BareLineNumber(commandLine), 0);
    if (port == INVALID_HANDLE_VALUE || !CreateBareWriterWindow(instance, L"bare writer", WindowProc))
        return 1;
    RunMessageLoop();
    ::CloseHandle(port);
    return 0;
}
