#include "BridgePlatform.h"

#include <windows.h>

// Windows offers no cheap test of a COM port's presence (Wine answers QueryDosDevice for none).
bool LineVanished(const LineAddress&) { return false; }

// A handle to an unplugged adapter never works again: the port is closed and opened anew.
bool KeepLineAfterFailure(const LineAddress&) { return false; }

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
