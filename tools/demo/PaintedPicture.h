// Knowing when the screen shows a window: on top of everything at its corners and centre,
// painted, and no longer changing.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The whole screen, and its pixels in an area (rows top down, 0x00RRGGBB each).
RECT ScreenArea();
std::vector<DWORD> ScreenPixels(const RECT& area);
// The pixels of `part` out of pixels grabbed over `area`.
std::vector<DWORD> Cropped(const std::vector<DWORD>& pixels, const RECT& area, const RECT& part);

class PaintedPicture {
public:
    // covered: the screen under `frame` before the window opened, or empty when unknown.
    PaintedPicture(HWND window, const RECT& frame, std::vector<DWORD> covered);

    // True once the window is on top and two grabs of its frame a moment apart are the same
    // picture, which differs from what it covers in most places. Call it repeatedly.
    bool Settled();
    // Why the last call said no.
    const std::string& Trouble() const { return trouble_; }

private:
    bool OnTop() const;

    HWND window_;
    RECT frame_;
    std::vector<DWORD> covered_;
    std::vector<DWORD> last_;
    DWORD lastGrab_ = 0;
    std::string trouble_ = "not checked yet";
};
