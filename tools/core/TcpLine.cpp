// A serial server's raw TCP port: the bytes go as they stand, with no telnet negotiation.
#include "Line.h"

#include <algorithm>
#include <chrono>

#include "Platform.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return std::max(0, static_cast<int>(left));
}

#ifdef _WIN32
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
int LastSocketError() { return ::WSAGetLastError(); }
void CloseSocket(Socket s) { ::closesocket(s); }
bool SetNonBlocking(Socket s) {
    u_long nonBlocking = 1;
    return ::ioctlsocket(s, FIONBIO, &nonBlocking) == 0;
}
bool ConnectPending(int error) { return error == WSAEWOULDBLOCK; }
bool WouldBlock(int error) { return error == WSAEWOULDBLOCK; }
constexpr int kRefusedError = WSAECONNREFUSED;
constexpr int kSendFlags = 0;
// select, not WSAPoll: WSAPoll came with Vista and the 32-bit exe runs on XP. A Windows fd_set is
// a list of sockets, so no socket number can overflow it.
bool WaitFor(Socket s, bool write, int timeoutMs) {
    fd_set ready, failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    return ::select(0, write ? nullptr : &ready, write ? &ready : nullptr, &failed, &timeout) > 0;
}
// On Windows the send completing is the mark: the stack owns the bytes and sends them even if
// the process ends at once.
bool WaitUntilTaken(Socket, Clock::time_point) { return true; }
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
int LastSocketError() { return errno; }
void CloseSocket(Socket s) { ::close(s); }
bool SetNonBlocking(Socket s) {
    const int flags = ::fcntl(s, F_GETFL);
    return flags >= 0 && ::fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
bool ConnectPending(int error) { return error == EINPROGRESS; }
bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }
constexpr int kRefusedError = ECONNREFUSED;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a server that hung up is an error to report, not SIGPIPE
// poll, not select: a descriptor past 1023 would overflow an fd_set.
bool WaitFor(Socket s, bool write, int timeoutMs) {
    pollfd waiting{s, static_cast<short>(write ? POLLOUT : POLLIN), 0};
    return ::poll(&waiting, 1, timeoutMs) > 0;
}
// Until the server has acknowledged every byte: nothing is left in the send queue.
bool WaitUntilTaken(Socket s, Clock::time_point deadline) {
    for (;;) {
        int unacknowledged = 0;
        if (::ioctl(s, SIOCOUTQ, &unacknowledged) != 0)
            return false;
        if (unacknowledged == 0)
            return true;
        if (Clock::now() >= deadline)
            return false;
        PauseMs(1);
    }
}
#endif

// How long the server must keep the connection after the last frame for it to count as sent.
constexpr int kHangUpWaitMs = 200;

class SocketLibrary {
public:
#ifdef _WIN32
    SocketLibrary() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~SocketLibrary() { ::WSACleanup(); }
#endif
};

class TcpLine : public Line {
public:
    TcpLine(Socket socket, std::string name) : socket_(socket), name_(std::move(name)) {}
    ~TcpLine() override { CloseSocket(socket_); }
    TcpLine(const TcpLine&) = delete;
    TcpLine& operator=(const TcpLine&) = delete;

    // The socket stays non-blocking, so no call here waits beyond the line's bound: a server whose
    // window stays shut must fail the send, not hang the script.
    bool Send(const std::uint8_t* bytes, std::size_t size, Failure* failure) override {
        if (HungUp(0))
            return HungUpFailure(failure);
        const auto deadline = Clock::now() + std::chrono::milliseconds(kLineTimeoutMs);
        for (std::size_t done = 0; done < size;) {
            const auto put =
                ::send(socket_, reinterpret_cast<const char*>(bytes + done), static_cast<int>(size - done), kSendFlags);
            if (put > 0) {
                done += static_cast<std::size_t>(put);
                continue;
            }
            if (!WouldBlock(LastSocketError()))
                return Fail("sending to " + name_ + " failed: " + ErrorText(LastSocketError()), failure);
            if (!WaitFor(socket_, true, MsLeft(deadline)))
                return NotTaken(failure);
        }
        return WaitUntilTaken(socket_, deadline) || NotTaken(failure);
    }

    // A busy serial server takes the connection and hangs up at once, often after the bytes were
    // acknowledged: had it kept them, it would not hang up within this short while.
    bool Finish(Failure* failure) override { return HungUp(kHangUpWaitMs) ? HungUpFailure(failure) : true; }

private:
    // True once the server has closed or reset the connection; what it sends meanwhile is read away.
    bool HungUp(int timeoutMs) const {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (!WaitFor(socket_, false, MsLeft(deadline)))
                return false;
            char discarded[64];
            const auto got = ::recv(socket_, discarded, sizeof discarded, 0);
            if (got == 0 || (got < 0 && !WouldBlock(LastSocketError())))
                return true;
        }
    }

    bool HungUpFailure(Failure* failure) const {
        *failure = {kServerHungUp, name_ +
                                       " hung up: the serial server may not have passed the frames on (is another "
                                       "client connected to it?)"};
        return false;
    }

    bool NotTaken(Failure* failure) const {
        return Fail(name_ + " did not take the bytes within " + std::to_string(kLineTimeoutMs / 1000) + " seconds",
                    failure);
    }

    static bool Fail(const std::string& message, Failure* failure) {
        *failure = {kSendFailed, message};
        return false;
    }

    SocketLibrary library_;
    Socket socket_;
    std::string name_;
};

// 0 once connected, or the error; the timeout shows as the pending error. The socket is left
// non-blocking.
int ConnectWithin(Socket s, const addrinfo& address, int timeoutMs) {
    if (!SetNonBlocking(s))
        return LastSocketError();
    if (::connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) != 0) {
        const int error = LastSocketError();
        if (!ConnectPending(error))
            return error;
        if (!WaitFor(s, true, timeoutMs))
            return error;
        int result = 0;
        socklen_t length = sizeof result;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &length) != 0)
            return LastSocketError();
        if (result != 0)
            return result;
    }
    // Each frame leaves at once, not gathered with the next one.
    const int noDelay = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    return 0;
}

}  // namespace

std::unique_ptr<Line> OpenTcpLine(const std::string& host, const std::string& port, Failure* failure) {
    // An IPv6 address in brackets, as it is written: tcp:[::1]:4001.
    const std::string name = "tcp:" + (host.find(':') == std::string::npos ? host : "[" + host + "]") + ":" + port;
    [[maybe_unused]] const SocketLibrary library;  // Windows sockets from here on
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    if (::getaddrinfo(host.c_str(), port.c_str(), &hints, &addresses) != 0) {
        *failure = {kNoSuchLine, name + ": there is no host " + host};
        return nullptr;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(kLineTimeoutMs);
    bool refused = false;
    std::string lastError;
    std::unique_ptr<Line> line;
    for (const addrinfo* address = addresses; address && !line; address = address->ai_next) {
        const int left = MsLeft(deadline);
        if (left <= 0)
            break;
        const Socket s = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (s == kNoSocket)
            continue;
        const int error = ConnectWithin(s, *address, left);
        if (error == 0) {
            line = std::make_unique<TcpLine>(s, name);
            break;
        }
        CloseSocket(s);
        refused = refused || error == kRefusedError;
        if (!ConnectPending(error))
            lastError = ErrorText(error);
    }
    ::freeaddrinfo(addresses);
    if (line)
        return line;
    if (refused)
        *failure = {
            kRefused,
            name + " refused the connection: is it the serial server's TCP port, and is no other client connected?"};
    else if (lastError.empty())
        *failure = {kNoAnswer, name + " did not answer within " + std::to_string(kLineTimeoutMs / 1000) +
                                   " seconds: is the serial server on and reachable?"};
    else
        *failure = {kNoAnswer, "cannot reach " + name + ": " + lastError};
    return nullptr;
}
