#include "Dialog.h"

#include "App.h"

const MessageMap& CDialog::GetMessageMap() const {
    static const MessageMap map(&CWnd::GetMessageMap(), {
                                                            OnCommand(IDOK, &CDialog::OnOK),
                                                            OnCommand(IDCANCEL, &CDialog::OnCancel),
                                                        });
    return map;
}

INT_PTR CDialog::DoModal() {
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(templateId_), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const auto* dialogTemplate = loaded ? static_cast<const DLGTEMPLATE*>(::LockResource(loaded)) : nullptr;
    if (!dialogTemplate)
        return -1;

    HWND owner = ModalOwner();
    const bool disableOwner = owner && ::IsWindowEnabled(owner);
    if (disableOwner)
        ::EnableWindow(owner, FALSE);

    endRequested_ = false;
    result_ = -1;
    HWND dialog = ::CreateDialogIndirectParamW(module, dialogTemplate, owner, &CDialog::DialogProc,
                                               reinterpret_cast<LPARAM>(this));
    if (dialog) {
        if (!endRequested_ && !::IsWindowVisible(dialog))
            ::ShowWindow(dialog, SW_SHOWNORMAL);
        RunModalLoop();
    }

    // Give the owner back its input before the dialog goes, so activation returns to it.
    if (disableOwner)
        ::EnableWindow(owner, TRUE);
    if (owner && ::GetActiveWindow() == dialog)
        ::SetActiveWindow(owner);
    if (dialog && ::IsWindow(dialog))
        ::DestroyWindow(dialog);
    return result_;
}

HWND CDialog::ModalOwner() const {
    if (parent_)
        return ::GetAncestor(parent_->m_hWnd, GA_ROOT);
    CWinThread* thread = AfxGetThread();
    CWnd* main = thread ? thread->m_pMainWnd : nullptr;
    if (!main || main == this || !::IsWindow(main->m_hWnd))
        return nullptr;
    return ::GetLastActivePopup(main->m_hWnd);
}

void CDialog::RunModalLoop() {
    MSG msg;
    while (!endRequested_) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));  // leave the quit for the outer loop
            break;
        }
        if (got < 0)
            break;
        if (CWnd::WalkPreTranslateTree(m_hWnd, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void CDialog::EndDialog(int result) {
    result_ = result;
    endRequested_ = true;
    ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wake the modal loop
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return TRUE;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::PreTranslateMessage(MSG* msg) {
    return msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST && ::IsDialogMessageW(m_hWnd, msg);
}

// The dialog manager's procedure: it attaches the object at WM_INITDIALOG; from then on the
// object's window procedure sees every message first and this one answers "not handled".
INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG)
        return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lParam);
    dialog->SubclassWindow(hwnd);
    return dialog->OnInitDialog();
}
