// What both bare writers share: the line opened at 9600 8N1, and a window with the two controls
// the bench's process driver needs (the panel's first single-screen button, and a control with
// the panel's Connect id by which it knows a main window).
#pragma once

#include <windows.h>

constexpr int kBareSingleScreen1 = 1003;
constexpr BYTE kBareFrame[] = {'G', 'E', 'F', 'g', '\n'};

// \\.\COMn at 9600 8N1 with the given CreateFileW flags; INVALID_HANDLE_VALUE if it will not open.
HANDLE OpenBareLine(int number, DWORD flags);
// The port number on the command line, 3 if none.
int BareLineNumber(const wchar_t* commandLine);
HWND CreateBareWriterWindow(HINSTANCE instance, const wchar_t* title, WNDPROC windowProc);
int RunMessageLoop();
