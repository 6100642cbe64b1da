// bare_worker_writer: the floor of press-to-wire latency for the work the panel does, in bare
// Win32. Its window is the panel's own dialog with its icons and button tips, so a press repaints
// the same icon button twice (pressed, released) and passes through the same tooltip as in the
// panel. The dialog procedure copies the frame under a lock and signals an event; a worker thread
// woken by it purges the line and writes the frame, overlapped, with a record and event of its
// own, and waits for the write to finish, as the panel's serial worker does.
#include <windows.h>

#include <cstring>

#include "bare_line.h"
#include "bare_panel.h"
#include "res/resource.h"

namespace {

struct Worker {
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE writeRequested = nullptr;  // auto-reset: one wake per press
    HANDLE writeDone = nullptr;
    CRITICAL_SECTION lock;
    BYTE frame[sizeof kBareFrame] = {};
};

Worker worker;

// Built twice: bare_event_writer also keeps a line-event wait pending, as the panel's worker does
// to see bytes from the device; it shows what that wait costs where Wine ends it every poll.
constexpr bool kWaitForLineEvents = BARE_LINE_EVENTS != 0;

void ArmLineWait(OVERLAPPED& lineWait, DWORD& events) {
    ::ResetEvent(lineWait.hEvent);
    if (::WaitCommEvent(worker.port, &events, &lineWait) || ::GetLastError() != ERROR_IO_PENDING)
        ::SetEvent(lineWait.hEvent);  // done at once: handled as a wake like any other
}

DWORD WINAPI WriteLoop(LPVOID) {
    OVERLAPPED write{};
    write.hEvent = worker.writeDone;
    OVERLAPPED lineWait{};
    lineWait.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD events = 0;
    if (kWaitForLineEvents) {
        ::SetCommMask(worker.port, EV_RXCHAR | EV_RXFLAG);
        ArmLineWait(lineWait, events);
    }
    const HANDLE wakes[2] = {worker.writeRequested, lineWait.hEvent};
    for (;;) {
        const DWORD woken = ::WaitForMultipleObjects(kWaitForLineEvents ? 2 : 1, wakes, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0 + 1) {
            DWORD errors = 0;
            COMSTAT status{};
            ::ClearCommError(worker.port, &errors, &status);
            ArmLineWait(lineWait, events);
            continue;
        }
        if (woken != WAIT_OBJECT_0)
            return 1;
        ::EnterCriticalSection(&worker.lock);
        ::PurgeComm(worker.port, PURGE_RXABORT | PURGE_RXCLEAR);
        DWORD written = 0;
        if (!::WriteFile(worker.port, worker.frame, sizeof worker.frame, &written, &write) &&
            ::GetLastError() == ERROR_IO_PENDING)
            ::GetOverlappedResult(worker.port, &write, &written, TRUE);
        ::LeaveCriticalSection(&worker.lock);
    }
}

void PlaceFrame() {
    ::EnterCriticalSection(&worker.lock);
    std::memcpy(worker.frame, kBareFrame, sizeof kBareFrame);
    ::LeaveCriticalSection(&worker.lock);
    ::SetEvent(worker.writeRequested);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetUpBarePanel(dialog);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_SINGLE_1 && HIWORD(wParam) == BN_CLICKED)
                PlaceFrame();
            else if (LOWORD(wParam) == IDCANCEL)
                ::DestroyWindow(dialog);
            return TRUE;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return TRUE;
        default:
            return FALSE;
    }
}

void RunDialogLoop(HWND dialog) {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (::IsDialogMessageW(dialog, &msg))
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    worker.port = OpenBareLine(BareLineNumber(commandLine), FILE_FLAG_OVERLAPPED);
    worker.writeRequested = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    worker.writeDone = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::InitializeCriticalSection(&worker.lock);
    if (worker.port == INVALID_HANDLE_VALUE || !worker.writeRequested || !worker.writeDone)
        return 1;
    HANDLE thread = ::CreateThread(nullptr, 0, WriteLoop, nullptr, 0, nullptr);
    InitBarePanelControls();
    HWND dialog = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_QUORVEX_DIALOG), nullptr, DialogProc, 0);
    if (!thread || !dialog)
        return 1;
    RunDialogLoop(dialog);
    // The process ends here, and the worker with it.
    ::CloseHandle(thread);
    ::CloseHandle(worker.port);
    return 0;
}
