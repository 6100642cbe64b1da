// Prints what KalMenu's start-up tests found in this process: the version code and whether the
// classic theme is on. The menu tests run it under each Windows version Wine can pretend to be.
#include <cstdio>

#include "widgets/KalMenu.h"

int main() {
    std::printf("%d %d\n", KalMenu::s_windowsVersion, KalMenu::IsClassicTheme() ? 1 : 0);
    return 0;
}
