// What the bare writers share: the line opened at 9600 8N1, and the frame of the panel's first
// single-screen button.
#pragma once

#include <windows.h>

constexpr BYTE kBareFrame[] = {'G', 'E', 'F', 'g', '\n'};

// \\.\COMn at 9600 8N1 with the given CreateFileW flags; INVALID_HANDLE_VALUE if it will not open.
HANDLE OpenBareLine(int number, DWORD flags);
// The port number on the command line, else in QUORVEX_BARE_LINE (set by the bench's driver, which
// runs several writers at once), else 3.
int BareLineNumber(const wchar_t* commandLine);
