// Start-up time to a responsive window: CreateProcess to the main window (the visible top-level
// window holding control 1002) answering WM_NULL.
#pragma once

#include <string>

// Milliseconds, or a negative number if no such window answered within 20 s. The process is
// ended by its handle afterwards.
double TimeStartup(const std::wstring& exe);
