// The system's menu font and the window whose DC measures menu texts.
#pragma once

#include <windows.h>

#include "framework/Gdi.h"

// The NONCLIENTMETRICSW size this Windows accepts: before Vista it lacks iPaddedBorderWidth.
UINT NonClientMetricsSize();
// The font Windows draws menus with.
void CreateMenuFont(CFont& font);
// The current thread's main window, or the desktop when there is none.
HWND MeasuringWindow();
