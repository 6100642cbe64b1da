// bare_line_dialog: the floor of exiting while connected and of Disconnect+Connect. The panel's own
// dialog, set up as the panel sets it up (its 33 controls, icons and button tips, which an exit
// destroys), holding its port (COM3, or the one the bench's driver gives) open with a line-event
// wait pending from the start. Its Connect button closes and reopens the port as the panel's
// Connect/Disconnect does, unlocking and locking the port selector and reading as the panel's does;
// Escape and the close box end it, the port closed after the wait is ended and collected.
#include <windows.h>

#include "bare_line.h"
#include "bare_panel.h"
#include "bare_waiting_line.h"
#include "res/resource.h"

namespace {

WaitingLine line;
int lineNumber = 3;

// The panel's connected look: the port selector locked while a port is open.
void ShowConnected(HWND dialog, bool connected) {
    ::EnableWindow(::GetDlgItem(dialog, IDC_PORT_LIST), !connected);
    ::EnableWindow(::GetDlgItem(dialog, IDC_SEARCH), !connected);
    ::SetDlgItemTextW(dialog, IDC_CONNECT, connected ? L"Disconnect" : L"connect");
}

void Toggle(HWND dialog) {
    if (line.IsOpen())
        line.Close();
    else
        line.Open(lineNumber);
    ShowConnected(dialog, line.IsOpen());
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetUpBarePanel(dialog);
        ::EnableWindow(::GetDlgItem(dialog, IDC_CONNECT), TRUE);
        ShowConnected(dialog, true);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    if (LOWORD(wParam) == IDC_CONNECT && HIWORD(wParam) == BN_CLICKED)
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
    InitBarePanelControls();
    const auto result = ::DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_QUORVEX_DIALOG), nullptr, DialogProc, 0);
    line.Close();
    return static_cast<int>(result);
}
