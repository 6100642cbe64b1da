// The panel's own window in bare Win32, for the floors that do the panel's work: its dialog
// (template 102 and manifest) set up as the panel sets it up, with no framework.
#pragma once

#include <windows.h>

// The common controls the panel loads before its dialog exists.
void InitBarePanelControls();
// What the panel does to its dialog once created: the window icon, the About item of the system
// menu, Connect disabled, and the 23 command icons set on their buttons.
void SetUpBarePanel(HWND dialog);
