// Exit when connected: from the close of a program that holds its port open, with a line-event
// wait pending on the quiet line, to the end of its process.
#pragma once

#include <string>

#include "Samples.h"

enum class CloseWay { Escape, CloseBox };

// Starts the shipped panel, connects it on COM3 (read at COM13), sends one frame so its worker has
// come round to its line-event wait, closes it, and times its exit; then the same for the floor,
// which holds COM3 with its wait pending from the start; `runs` times each, alternating, after
// one unmeasured run each. A failure is a run that did not get connected, or whose process did
// not end within 5 s or ended with a code other than 0.
void TimeAlternateExits(const std::wstring& panelExe, const std::wstring& floorExe, CloseWay way, int runs,
                        Samples& panel, Samples& floor);
