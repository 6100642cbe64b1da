// The application object: starts the common controls, runs the control window modally, ends.
#pragma once

#include "framework/App.h"

class CQuorvexApp : public CWinApp {
public:
    CQuorvexApp();
    BOOL InitInstance() override;

    BOOL portOpen = FALSE;  // true from a successful Connect until the next Disconnect; UI thread only
};

extern CQuorvexApp theApp;
