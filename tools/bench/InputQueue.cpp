#include "InputQueue.h"

#include <string>

InputQueue::InputQueue(int comNumber) {
    // Wine does not enforce a COM port's share mode: a second handle opens beside the program's.
    const std::wstring path = L"\\\\.\\COM" + std::to_wstring(comNumber);
    HANDLE port = ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port != INVALID_HANDLE_VALUE)
        port_.Reset(port);
}

DWORD InputQueue::Waiting() const {
    DWORD errors = 0;
    COMSTAT status{};
    return ::ClearCommError(port_.get(), &errors, &status) ? status.cbInQue : 0;
}
