// Prints what KalMenu's start-up tests found in this process: the version code, whether the
// classic theme is on, and the NONCLIENTMETRICSW size given to the system with whether the menu
// font was had with it. The menu tests run it under each Windows version Wine can pretend to be.
#include <cstdio>

#include "widgets/KalMenu.h"
#include "widgets/KalMenuMetrics.h"

int main() {
    CFont font;
    const BOOL fontMade = CreateMenuFont(font);
    std::printf("%d %d %u %d\n", KalMenu::s_windowsVersion, KalMenu::IsClassicTheme() ? 1 : 0, NonClientMetricsSize(),
                fontMade ? 1 : 0);
    return 0;
}
