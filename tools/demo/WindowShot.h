// Saves what the screen shows of a window, frame included, as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>

bool SaveWindowShot(HWND window, const std::wstring& path);
