// Modal dialogs built from dialog templates, with their own modal loop so that every message
// passes the windows' PreTranslateMessage first.
#pragma once

#include "Wnd.h"

class CDataExchange;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr) : templateId_(templateId), parent_(parent) {}

    virtual INT_PTR DoModal();
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

protected:
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange*) {}
    BOOL PreTranslateMessage(MSG* msg) override;
    const MessageMap& GetMessageMap() const override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    HWND ModalOwner() const;
    void RunModalLoop();

    UINT templateId_;
    CWnd* parent_;
    bool endRequested_ = false;
    INT_PTR result_ = -1;
};

// The extended dialog base the program's dialogs derive from; it adds nothing they use.
class CDialogEx : public CDialog {
public:
    using CDialog::CDialog;
};

// Binds dialog controls to member objects.
class CDataExchange {
public:
    CDataExchange(CWnd* dialog, BOOL saveAndValidate) : m_pDlgWnd(dialog), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
};

// Attaches a control object to the dialog's control with this ID, the first time only.
inline void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (!control.m_hWnd)
        control.SubclassDlgItem(static_cast<UINT>(id), dx->m_pDlgWnd);
}
