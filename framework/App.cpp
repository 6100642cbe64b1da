#include "App.h"

#include "Wnd.h"

namespace {

CWinApp* theApplication = nullptr;

std::wstring ExeBaseName() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    const size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    return name;
}

// Vista and later only: looked up at run time so the program still starts on XP.
void RegisterForRestart() {
    using RegisterRestart = HRESULT(WINAPI*)(PCWSTR, DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    auto proc = reinterpret_cast<RegisterRestart>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "RegisterApplicationRestart")));
    if (proc)
        proc(L"", 0);
}

}  // namespace

CWinApp::CWinApp() { theApplication = this; }

CWinApp::~CWinApp() {
    if (theApplication == this)
        theApplication = nullptr;
}

const MessageMap& CWinApp::GetMessageMap() const {
    static const MessageMap map(&CWinThread::GetMessageMap(), {
                                                                  OnCommand(ID_HELP, &CWinApp::OnHelp),
                                                              });
    return map;
}

BOOL CWinApp::InitApplication() {
    if (m_strAppName.empty())
        m_strAppName = ExeBaseName();
    return TRUE;
}

BOOL CWinApp::InitInstance() {
    if (m_dwRestartManagerSupportFlags & AFX_RESTART_MANAGER_SUPPORT_RESTART)
        RegisterForRestart();
    return TRUE;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (CWnd::WalkPreTranslateTree(nullptr, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

HICON CWinApp::LoadIconW(UINT id) const { return ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(id)); }

void CWinApp::SetRegistryKey(const wchar_t* company) { m_strRegistryKey = company; }

CWinApp* AfxGetApp() { return theApplication; }

HINSTANCE AfxGetInstanceHandle() { return theApplication ? theApplication->m_hInstance : ::GetModuleHandleW(nullptr); }

HINSTANCE AfxGetResourceHandle() { return AfxGetInstanceHandle(); }

int AfxMessageBox(const wchar_t* text, UINT type) {
    HWND owner = nullptr;
    if (CWinThread* thread = AfxGetThread(); thread && thread->m_pMainWnd)
        owner = ::GetLastActivePopup(thread->m_pMainWnd->m_hWnd);
    if ((type & MB_ICONMASK) == 0 && (type & MB_TYPEMASK) <= MB_OKCANCEL)
        type |= MB_ICONEXCLAMATION;
    const wchar_t* caption = AfxGetApp() ? AfxGetApp()->m_strAppName.c_str() : nullptr;
    return ::MessageBoxW(owner, text, caption, type);
}
