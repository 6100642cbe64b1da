#include "KalMenuMemDC.h"

KalMenuMemDC::KalMenuMemDC(CDC* target, const RECT& area)
    : m_targetDC(target), m_area(area), m_offscreen(!target->m_bPrinting) {
    if (!m_offscreen) {
        m_hDC = target->m_hDC;
        m_hAttribDC = target->m_hAttribDC;
        m_bPrinting = target->m_bPrinting;
        return;
    }
    CreateCompatibleDC(target);
    m_offscreenBitmap.CreateCompatibleBitmap(target->m_hDC, area.right - area.left, area.bottom - area.top);
    m_previousBitmap = SelectObject(m_offscreenBitmap);
    SetWindowOrg(area.left, area.top);
}

KalMenuMemDC::~KalMenuMemDC() {
    if (m_offscreen) {
        m_targetDC->BitBlt(m_area.left, m_area.top, m_area.right - m_area.left, m_area.bottom - m_area.top, this,
                           m_area.left, m_area.top, SRCCOPY);
        SelectObject(m_previousBitmap);
    } else {
        // Borrowed from the target: not ours to delete.
        m_hDC = nullptr;
        m_hAttribDC = nullptr;
    }
    m_offscreenBitmap.DeleteObject();
}
