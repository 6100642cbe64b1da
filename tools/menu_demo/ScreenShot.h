// Saving a part of the screen as a 24-bit BMP file.
#pragma once

#include <windows.h>

#include <string>

bool SaveScreenArea(const RECT& area, const std::wstring& path);
// The screen area of this process's visible popup menus, or an empty rectangle.
RECT VisibleMenusArea();
