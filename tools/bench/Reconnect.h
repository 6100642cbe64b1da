// Disconnect+Connect: on a connected program, a click on Connect/Disconnect and a click again,
// until it reads "Disconnect" again.
#pragma once

#include <string>

#include "Samples.h"

// Runs the shipped panel, connected on COM3, and the floor, holding COM4 (a cable of its own:
// both run at once) with a line-event wait pending, and cycles each in turn, `cycles` times after
// a few unmeasured ones. A failure is a cycle whose first click did not leave the program reading
// "connect", or whose second did not bring "Disconnect" back within 5 s.
void TimeAlternateReconnects(const std::wstring& panelExe, const std::wstring& floorExe, int cycles, Samples& panel,
                             Samples& floor);
