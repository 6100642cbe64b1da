// Windows with message maps: CWnd subclasses a window handle and routes its messages through the
// map of the object attached to it. The permanent handle map links each handle to its object.
#pragma once

#include "CmdTarget.h"
#include "Window.h"

class CWnd : public CCmdTarget, public CWindow {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // The object attached to a handle, or nullptr when none is.
    static CWnd* FromHandlePermanent(HWND hwnd);

    BOOL SubclassWindow(HWND hwnd);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }
    // Removes then adds style bits; with frame flags, the frame is recomputed. TRUE when it changed.
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT frameFlags = 0);

    virtual BOOL PreTranslateMessage(MSG* msg);
    // Offers a message to each attached window from msg->hwnd up to (not past) stop.
    static BOOL WalkPreTranslateTree(HWND stop, MSG* msg);

protected:
    // Called after the handle is attached and before the window procedure is replaced.
    virtual void PreSubclassWindow() {}
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification the parent received from this child, offered back to the child first. The
    // default runs the child's reflected map entries (OnReflected, OnReflectedMessage).
    virtual BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual void PostNcDestroy() {}
    // The previous window procedure's answer to the message being handled.
    LRESULT Default();
    // What the window does without this object; Default() goes through it too.
    virtual LRESULT DefWindowProcW(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK StandardWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    BOOL ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void Detach();

    WNDPROC superProc_ = nullptr;
    MSG current_{};
};
