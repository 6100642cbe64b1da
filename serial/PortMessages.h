// Notifications the serial engine's worker sends to its owner window.
#pragma once

#include <windows.h>

constexpr UINT WM_PORT_BREAK = WM_USER + 1;
constexpr UINT WM_PORT_CTS = WM_USER + 2;
constexpr UINT WM_PORT_LINE_ERROR = WM_USER + 4;
constexpr UINT WM_PORT_RING = WM_USER + 5;
constexpr UINT WM_PORT_BYTE = WM_USER + 7;        // wParam: the byte; lParam: the port number
constexpr UINT WM_PORT_EVENT_CHAR = WM_USER + 8;
constexpr UINT WM_PORT_IO_FAILED = WM_USER + 100;  // posted to the main window; wParam 1
