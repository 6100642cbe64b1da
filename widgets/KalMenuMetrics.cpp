#include "KalMenuMetrics.h"

#include <cstddef>

#include "framework/Thread.h"
#include "framework/Wnd.h"

UINT NonClientMetricsSize() {
#if WINVER >= 0x0600
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    ::GetVersionExW(&version);
    return version.dwMajorVersion < 6 ? static_cast<UINT>(offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth))
                                      : static_cast<UINT>(sizeof(NONCLIENTMETRICSW));
#else
    return sizeof(NONCLIENTMETRICSW);  // built for XP: the structure has no Vista field, and every version takes it
#endif
}

void CreateMenuFont(CFont& font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = NonClientMetricsSize();
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0);
    font.CreateFontIndirect(&metrics.lfMenuFont);
}

HWND MeasuringWindow() {
    CWinThread* thread = AfxGetThread();
    if (thread && thread->m_pMainWnd && thread->m_pMainWnd->m_hWnd)
        return thread->m_pMainWnd->m_hWnd;
    return ::GetDesktopWindow();
}
