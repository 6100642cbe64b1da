// The application object: one per process, constructed statically, started by the entry point.
#pragma once

#include "Thread.h"

#include <string>

// Restart-manager support: the application asks to be restarted after a crash or an update.
constexpr DWORD AFX_RESTART_MANAGER_SUPPORT_RESTART = 0x01;
constexpr UINT ID_HELP = 0xE146;

class CWinApp : public CWinThread {
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitApplication();
    BOOL InitInstance() override;
    // The message loop; the entry point runs it only when InitInstance returns true.
    virtual int Run();

    HICON LoadIconW(UINT id) const;
    void SetRegistryKey(const wchar_t* company);
    void OnHelp() {}  // no help file ships with the program

    HINSTANCE m_hInstance = nullptr;
    std::wstring m_strAppName;      // the exe's file name without extension; message box caption
    std::wstring m_strRegistryKey;  // the profile key name; nothing is stored under it
    DWORD m_dwRestartManagerSupportFlags = 0;

protected:
    const MessageMap& GetMessageMap() const override;
};

CWinApp* AfxGetApp();
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
// Message box owned by the active main window, captioned with the application's name.
int AfxMessageBox(const wchar_t* text, UINT type = MB_OK);
// No ActiveX controls are hosted: enabling the container needs nothing here.
inline void AfxEnableControlContainer() {}
