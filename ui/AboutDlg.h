// The About box, opened from the system menu.
#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

class CAboutDlg : public CDialogEx {
public:
    CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}
};
