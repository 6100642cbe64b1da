// Opened by the button tests as a link: it leaves its mark by releasing a named semaphore.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const HANDLE mark = ::OpenSemaphoreW(SEMAPHORE_MODIFY_STATE, FALSE, L"QuorvexButtonLinkMark");
    if (!mark)
        return 1;
    ::ReleaseSemaphore(mark, 1, nullptr);
    ::CloseHandle(mark);
    return 0;
}
