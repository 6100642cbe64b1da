// An off-screen DC for one menu item: drawing collects in a bitmap that goes to the target in one
// copy when the object dies. On a printer there is no screen to spare flicker on: drawing goes
// straight to the target.
#pragma once

#include "framework/Dc.h"

class KalMenuMemDC : public CDC {
public:
    KalMenuMemDC(CDC* target, const RECT& area);
    ~KalMenuMemDC() override;
    KalMenuMemDC(const KalMenuMemDC&) = delete;
    KalMenuMemDC& operator=(const KalMenuMemDC&) = delete;

private:
    CBitmap m_offscreenBitmap;
    HGDIOBJ m_previousBitmap = nullptr;  // selected in the memory DC before m_offscreenBitmap
    CDC* m_targetDC;
    RECT m_area;  // in the target's logical coordinates
    bool m_offscreen;
};
