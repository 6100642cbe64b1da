// The panel's own window in bare Win32, for the floors that do the panel's work: its dialog
// (template 102 and manifest) set up as the panel sets it up, with no framework.
#pragma once

#include <windows.h>

// The common controls the panel loads before its dialog exists.
void InitBarePanelControls();
// What the panel does to its dialog once created: the window icon, the About item of the system
// menu, Connect disabled, the 23 command icons set on their buttons, and one tooltip with a tool
// for each of them that watches its button's mouse messages (under Wine, each relayed message
// costs the tooltip work for every one of its 23 tools).
void SetUpBarePanel(HWND dialog);
