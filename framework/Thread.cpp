#include "Thread.h"

#include "App.h"
#include "Handle.h"
#include "Wnd.h"

#include <process.h>

namespace {

DWORD CurrentThreadSlot() {
    static const DWORD slot = ::TlsAlloc();
    return slot;
}

}  // namespace

CWinThread::~CWinThread() {
    if (m_hThread)
        ::CloseHandle(m_hThread);
}

void CWinThread::MakeCurrent() { ::TlsSetValue(CurrentThreadSlot(), this); }

BOOL CWinThread::CreateThread(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security) {
    return Start(createFlags, stackSize, security, THREAD_PRIORITY_NORMAL);
}

// Returns once a thread that runs at once has its thread object in place and is entering its
// procedure, so a caller that stops it right away never races its start.
BOOL CWinThread::Start(DWORD createFlags, UINT stackSize, LPSECURITY_ATTRIBUTES security, int priority) {
    const bool runNow = !(createFlags & CREATE_SUSPENDED);
    CHandle started(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!started)
        return FALSE;
    startedEvent_ = runNow ? started.get() : nullptr;
    unsigned id = 0;
    // Always created suspended, so that the handle and ID are stored before the thread can end.
    const uintptr_t handle =
        ::_beginthreadex(security, stackSize, &CWinThread::ThreadEntry, this, CREATE_SUSPENDED, &id);
    if (handle == 0)
        return FALSE;
    m_hThread = reinterpret_cast<HANDLE>(handle);
    m_nThreadID = id;
    SetThreadPriority(priority);
    if (runNow) {
        ResumeThread();
        // The new thread only signals and runs on: it never needs this thread to get there.
        ::WaitForSingleObject(started.get(), INFINITE);
    }
    return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* self) {
    auto* thread = static_cast<CWinThread*>(self);
    thread->MakeCurrent();
    if (!thread->m_pMainWnd && AfxGetApp())
        thread->m_pMainWnd = AfxGetApp()->m_pMainWnd;
    const AFX_THREADPROC proc = thread->proc_;
    LPVOID param = thread->param_;
    if (thread->startedEvent_)
        ::SetEvent(thread->startedEvent_);
    AfxEndThread(proc(param));
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD createFlags,
                           LPSECURITY_ATTRIBUTES security) {
    auto* thread = new CWinThread(proc, param);
    if (!thread->Start(createFlags, stackSize, security, priority)) {
        delete thread;
        return nullptr;
    }
    return thread;
}

void AfxEndThread(UINT exitCode, BOOL deleteThread) {
    CWinThread* thread = AfxGetThread();
    ::TlsSetValue(CurrentThreadSlot(), nullptr);
    if (deleteThread && thread && thread->m_bAutoDelete && thread != AfxGetApp())
        delete thread;
    ::_endthreadex(exitCode);
    for (;;) {
    }  // _endthreadex does not return
}

CWinThread* AfxGetThread() {
    auto* thread = static_cast<CWinThread*>(::TlsGetValue(CurrentThreadSlot()));
    return thread ? thread : AfxGetApp();
}
