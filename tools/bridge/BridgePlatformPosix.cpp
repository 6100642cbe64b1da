#include "BridgePlatform.h"

#include <sys/resource.h>
#include <unistd.h>

bool LineVanished(const LineAddress& address) { return !address.tcp && ::access(address.path.c_str(), F_OK) != 0; }

bool KeepLineAfterFailure(const LineAddress& address) { return !address.tcp && !LineVanished(address); }

unsigned long RaiseOpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ::getrlimit(RLIMIT_NOFILE, &limit);
    return static_cast<unsigned long>(limit.rlim_cur);
}

std::tm LocalCalendarTime(std::time_t seconds) {
    std::tm local{};
    ::localtime_r(&seconds, &local);
    return local;
}

// SO_REUSEADDR only lets a restarted bridge bind while its old connections wait out TIME_WAIT;
// SO_REUSEPORT, which would let two bridges share the port, is never set.
void KeepPortToItself(tcp::acceptor& acceptor, boost::system::error_code& error) {
    acceptor.set_option(tcp::acceptor::reuse_address(true), error);
}
