// bare_line_dialog: the floor of exiting while connected and of Disconnect+Connect. A dialog of
// the panel's size holding its port (COM3, or the one the bench's driver gives) open with a
// line-event wait pending from the start, its button closing and reopening the port as the
// panel's Connect/Disconnect does, and reading as the panel's does; Escape and the close box end
// it, the port closed after the wait is ended and collected.
#include <windows.h>

#include "bare_dialog.h"
#include "bare_line.h"
#include "bare_waiting_line.h"

namespace {

WaitingLine line;
int lineNumber = 3;

void Toggle(HWND dialog) {
    if (line.IsOpen())
        line.Close();
    else
        line.Open(lineNumber);
    ::SetDlgItemTextW(dialog, IDC_BARE_CONNECT, line.IsOpen() ? L"Disconnect" : L"connect");
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        ::SetDlgItemTextW(dialog, IDC_BARE_CONNECT, L"Disconnect");
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wParam) == IDC_BARE_CONNECT && HIWORD(wParam) == BN_CLICKED)
        Toggle(dialog);
    else if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK)
        ::EndDialog(dialog, 0);
    return TRUE;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    lineNumber = BareLineNumber(commandLine);
    if (!line.Open(lineNumber))
        return 1;
    const auto result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_BARE), nullptr, DialogProc, 0);
    line.Close();
    return static_cast<int>(result);
}
