// Resource IDs of the button tests' dialogs and menu.
#pragma once

#define IDD_BUTTONS 300
#define IDD_LONE_BUTTON 301
#define IDM_BUTTON_POPUP 302

#define IDC_PUSH 1100
#define IDC_DEFAULT 1101
#define IDC_AUTOCHECK 1102
#define IDC_GROUP 1103
#define IDC_OWNERDRAW 1104
#define IDC_RADIO 1105
#define IDC_PLAIN 1106
#define IDC_LONE 1107

#define ID_POPUP_FIRST 1200
#define ID_POPUP_SECOND 1201
