// Thread objects: every thread the program starts has a CWinThread that knows its main window.
#pragma once

#include "CmdTarget.h"

class CWnd;

using AFX_THREADPROC = UINT(__cdecl*)(LPVOID);

class CWinThread : public CCmdTarget {
public:
    CWinThread() = default;
    CWinThread(AFX_THREADPROC proc, LPVOID param) : proc_(proc), param_(param) {}
    ~CWinThread() override;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; returns once it runs with its thread object in place.
    BOOL CreateThread(DWORD createFlags = 0, UINT stackSize = 0, LPSECURITY_ATTRIBUTES security = nullptr);
    DWORD ResumeThread() const { return ::ResumeThread(m_hThread); }
    BOOL SetThreadPriority(int priority) const { return ::SetThreadPriority(m_hThread, priority); }

    virtual BOOL InitInstance() { return FALSE; }
    virtual int ExitInstance() { return 0; }

    CWnd* m_pMainWnd = nullptr;  // written by the owning thread before others may read it
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;  // the thread deletes this object when it ends

    // Makes this object the current thread's; the application's thread calls it at start.
    void MakeCurrent();

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD, LPSECURITY_ATTRIBUTES);
    BOOL Start(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security, int priority);
    static unsigned __stdcall ThreadEntry(void* self);

    AFX_THREADPROC proc_ = nullptr;
    LPVOID param_ = nullptr;
    HANDLE startedEvent_ = nullptr;  // borrowed from Start, which waits on it
};

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD createFlags = 0, LPSECURITY_ATTRIBUTES security = nullptr);
// Ends the calling thread; C++ objects on its stack are not destroyed.
[[noreturn]] void AfxEndThread(UINT exitCode, BOOL deleteThread = TRUE);
CWinThread* AfxGetThread();
