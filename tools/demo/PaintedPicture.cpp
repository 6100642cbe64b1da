#include "PaintedPicture.h"

#include <cstddef>
#include <cstdio>

#include "framework/Dc.h"

namespace {

// The window's pixels must stay the same for this long to count as painted.
constexpr DWORD kStillMs = 150;
// A window painted over another changes most of the pixels it covers (the About box over the main
// window: 99%); far fewer means the screen still shows what lay beneath.
constexpr double kMinChangedShare = 0.25;

double ChangedShare(const std::vector<DWORD>& now, const std::vector<DWORD>& before) {
    size_t changed = 0;
    for (size_t i = 0; i < now.size(); ++i)
        changed += now[i] != before[i];
    return now.empty() ? 0.0 : static_cast<double>(changed) / static_cast<double>(now.size());
}

}  // namespace

RECT ScreenArea() {
    RECT area{};
    ::GetWindowRect(::GetDesktopWindow(), &area);
    return area;
}

std::vector<DWORD> ScreenPixels(const RECT& area) {
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;  // top down
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    void* bits = nullptr;
    CClientDC screen(nullptr);
    CBitmap image;
    if (width <= 0 || height <= 0 ||
        !image.Attach(::CreateDIBSection(screen.m_hDC, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits,
                                         nullptr, 0)))
        return {};
    CDC memory;
    memory.CreateCompatibleDC(&screen);
    {
        SelectedObject selected(memory, image);
        memory.BitBlt(0, 0, width, height, &screen, area.left, area.top, SRCCOPY);
    }
    ::GdiFlush();
    const auto* first = static_cast<const DWORD*>(bits);
    std::vector<DWORD> pixels(first, first + static_cast<size_t>(width) * static_cast<size_t>(height));
    for (DWORD& pixel : pixels)
        pixel &= 0x00FFFFFF;
    return pixels;
}

std::vector<DWORD> Cropped(const std::vector<DWORD>& pixels, const RECT& area, const RECT& part) {
    if (part.left < area.left || part.top < area.top || part.right > area.right || part.bottom > area.bottom ||
        part.left >= part.right || part.top >= part.bottom)
        return {};
    const auto width = static_cast<size_t>(area.right - area.left);
    if (pixels.size() != width * static_cast<size_t>(area.bottom - area.top))
        return {};
    const auto left = static_cast<size_t>(part.left - area.left);
    const auto right = static_cast<size_t>(part.right - area.left);
    std::vector<DWORD> out;
    for (auto y = static_cast<size_t>(part.top - area.top); y < static_cast<size_t>(part.bottom - area.top); ++y)
        out.insert(out.end(), pixels.begin() + static_cast<std::ptrdiff_t>(y * width + left),
                   pixels.begin() + static_cast<std::ptrdiff_t>(y * width + right));
    return out;
}

PaintedPicture::PaintedPicture(HWND window, const RECT& frame, std::vector<DWORD> covered)
    : window_(window), frame_(frame), covered_(std::move(covered)) {}

bool PaintedPicture::OnTop() const {
    const LONG inset = 4;
    const POINT probes[] = {
        {(frame_.left + frame_.right) / 2, (frame_.top + frame_.bottom) / 2},
        {frame_.left + inset, frame_.top + inset},
        {frame_.right - 1 - inset, frame_.top + inset},
        {frame_.left + inset, frame_.bottom - 1 - inset},
        {frame_.right - 1 - inset, frame_.bottom - 1 - inset},
    };
    for (const POINT& probe : probes)
        if (::GetAncestor(::WindowFromPoint(probe), GA_ROOT) != window_)
            return false;
    return true;
}

bool PaintedPicture::Settled() {
    if (!OnTop()) {
        trouble_ = "another window lies over it";
        return false;
    }
    const DWORD now = ::GetTickCount();
    if (!last_.empty() && now - lastGrab_ < kStillMs)
        return false;
    std::vector<DWORD> pixels = ScreenPixels(frame_);
    const bool still = !pixels.empty() && pixels == last_;
    last_ = std::move(pixels);
    lastGrab_ = now;
    if (!still) {
        trouble_ = "its picture did not come to rest";
        return false;
    }
    if (!covered_.empty() && covered_.size() == last_.size()) {
        const double share = ChangedShare(last_, covered_);
        if (share < kMinChangedShare) {
            char text[128];
            std::snprintf(text, sizeof text, "the screen still shows what lies under it (%.0f%% of it changed)",
                          share * 100);
            trouble_ = text;
            return false;
        }
    }
    return true;
}
