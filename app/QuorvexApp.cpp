#include "QuorvexApp.h"

#include "framework/ShellManager.h"
#include "ui/QuorvexDlg.h"

#include <commctrl.h>

#include <memory>
#include <new>

CQuorvexApp theApp;

CQuorvexApp::CQuorvexApp() { m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART; }

BOOL CQuorvexApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);

    CWinApp::InitInstance();
    AfxEnableControlContainer();
    std::unique_ptr<CShellManager> shellManager(new (std::nothrow) CShellManager);
    SetRegistryKey(L"应用程序向导生成的本地应用程序");

    {
        CQuorvexDlg dialog;
        m_pMainWnd = &dialog;
        dialog.DoModal();
        shellManager.reset();
    }  // the window object goes here, and with it the serial engine and its worker
    m_pMainWnd = nullptr;

    // No message loop: the process ends with the window.
    return FALSE;
}
