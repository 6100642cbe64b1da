// The system's menu font and the window whose DC measures menu texts.
#pragma once

#include <windows.h>

#include "framework/Gdi.h"

// The NONCLIENTMETRICSW size this Windows accepts: before Vista it lacks iPaddedBorderWidth.
UINT NonClientMetricsSize();
// The font Windows draws menus with; FALSE when the system would not say which it is.
BOOL CreateMenuFont(CFont& font);
// The current thread's main window, or the desktop when there is none.
HWND MeasuringWindow();
