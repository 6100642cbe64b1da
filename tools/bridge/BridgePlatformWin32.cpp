#include "BridgePlatform.h"

#include <windows.h>

// A COM port's DOS device goes with its USB adapter.
bool LineStillThere(const LineAddress& address) {
    char target[512];
    return address.tcp || ::QueryDosDeviceA(address.path.c_str(), target, sizeof target) != 0;
}

unsigned long RaiseOpenFileLimit() { return 0; }

std::tm LocalCalendarTime(std::time_t seconds) {
    std::tm local{};
    ::localtime_s(&local, &seconds);
    return local;
}

// Without it Windows lets another program that sets SO_REUSEADDR take the port over.
void KeepPortToItself(tcp::acceptor& acceptor, boost::system::error_code& error) {
    const BOOL exclusive = TRUE;
    if (::setsockopt(acceptor.native_handle(), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                     reinterpret_cast<const char*>(&exclusive), sizeof exclusive) != 0)
        error = boost::system::error_code(::WSAGetLastError(), asio::error::get_system_category());
}
