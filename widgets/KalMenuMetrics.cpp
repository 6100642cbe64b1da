#include "KalMenuMetrics.h"

#include <cstddef>

#include "framework/Thread.h"
#include "framework/Wnd.h"

namespace {

// The structure as Vista and later define it. Built for XP, the headers stop before its last field.
#if WINVER >= 0x0600
using FullNonClientMetrics = NONCLIENTMETRICSW;
constexpr size_t kPreVistaSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
#else
struct FullNonClientMetrics : NONCLIENTMETRICSW {
    int iPaddedBorderWidth;
};
constexpr size_t kPreVistaSize = sizeof(NONCLIENTMETRICSW);
#endif

}  // namespace

UINT NonClientMetricsSize() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    ::GetVersionExW(&version);
    // Windows before Vista refuses the larger structure.
    return static_cast<UINT>(version.dwMajorVersion < 6 ? kPreVistaSize : sizeof(FullNonClientMetrics));
}

BOOL CreateMenuFont(CFont& font) {
    FullNonClientMetrics metrics{};
    metrics.cbSize = NonClientMetricsSize();
    if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0))
        return FALSE;
    return font.CreateFontIndirect(&metrics.lfMenuFont);
}

HWND MeasuringWindow() {
    CWinThread* thread = AfxGetThread();
    if (thread && thread->m_pMainWnd && thread->m_pMainWnd->m_hWnd)
        return thread->m_pMainWnd->m_hWnd;
    return ::GetDesktopWindow();
}
