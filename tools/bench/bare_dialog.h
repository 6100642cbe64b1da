#pragma once

#define IDD_BARE 100
// The control the bench's process driver recognises a main window by, as in the panel.
#define IDC_BARE_CONNECT 1002
