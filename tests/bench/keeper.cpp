// Holds the bench's desktop open for the whole test run: Wine's desktop process exits a moment
// after its last client, and a program that starts during that exit waits seconds for a new one.
#include <windows.h>

int main() {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"bench keeper", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                    nullptr);
    MSG msg;
    while (window && ::GetMessageW(&msg, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&msg);
    return 0;
}
