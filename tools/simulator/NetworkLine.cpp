#include "NetworkLine.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int kAcceptRetryMs = 100;

std::string AddressText(const sockaddr* address, socklen_t length) {
    char host[NI_MAXHOST], port[NI_MAXSERV];
    if (::getnameinfo(address, length, host, sizeof host, port, sizeof port, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return "?";
    return (address->sa_family == AF_INET6 ? "[" + std::string(host) + "]" : std::string(host)) + ":" + port;
}

}  // namespace

NetworkLine::NetworkLine(const TcpAddress& address, Log& log) : log_(log) {
    if (!Resolve(address.host, address.port))
        return;
    if (!Listen()) {
        error_ = "cannot listen on " + address.host + ":" + address.port + ": " + std::strerror(errno);
        return;
    }
    // Port 0 took a free port: listen on that one from now on.
    addressLength_ = sizeof address_;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address_), &addressLength_);
    name_ = AddressText(reinterpret_cast<sockaddr*>(&address_), addressLength_);
}

NetworkLine::~NetworkLine() {
    DropClient();
    if (listener_ >= 0)
        ::close(listener_);
}

bool NetworkLine::Resolve(const std::string& host, const std::string& port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int error = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &found); error != 0) {
        error_ = "cannot listen on " + host + ":" + port + ": " + ::gai_strerror(error);
        return false;
    }
    std::memcpy(&address_, found->ai_addr, found->ai_addrlen);
    addressLength_ = found->ai_addrlen;
    ::freeaddrinfo(found);
    return true;
}

bool NetworkLine::Listen() {
    listener_ = ::socket(address_.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    if (listener_ >= 0 && ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) == 0 &&
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address_), addressLength_) == 0 && ::listen(listener_, 4) == 0)
        return true;
    if (listener_ >= 0)
        ::close(listener_);
    listener_ = -1;
    return false;
}

Line::ReadResult NetworkLine::Read(int timeoutMs, std::vector<std::uint8_t>* bytes) {
    pollfd waiting[2] = {{client_, POLLIN, 0}, {listener_, POLLIN, 0}};
    const int ready = ::poll(waiting, 2, timeoutMs);  // a negative descriptor is skipped
    if (ready < 0)
        return errno == EINTR ? ReadResult::Interrupted : ReadResult::Failed;
    if (ready == 0)
        return ReadResult::Quiet;
    if (waiting[1].revents != 0)
        return TakeClient();
    std::uint8_t buffer[256];
    const ssize_t got = ::recv(client_, buffer, sizeof buffer, 0);
    if (got < 0 && errno == EINTR)
        return ReadResult::Interrupted;
    if (got > 0) {
        bytes->insert(bytes->end(), buffer, buffer + got);
        return ReadResult::Data;
    }
    const std::string left = clientName_;
    DropClient();
    const bool listening = Listen();  // before the log says so, for whoever waits on the log
    log_.Line("client " + left + " left");
    if (!listening) {
        log_.Line("cannot listen on " + name_ + " again: " + std::strerror(errno));
        return ReadResult::Failed;
    }
    return ReadResult::Quiet;  // a frame the client left unfinished is torn
}

Line::ReadResult NetworkLine::TakeClient() {
    sockaddr_storage peer{};
    socklen_t length = sizeof peer;
    const int fd = ::accept4(listener_, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    if (fd < 0)
        return AcceptFailed(errno);
    acceptFailing_ = false;
    // Not listening until it leaves: a second client is refused, not left talking to no one.
    ::close(listener_);
    listener_ = -1;
    const int noDelay = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
    client_ = fd;
    clientName_ = AddressText(reinterpret_cast<sockaddr*>(&peer), length);
    log_.Line("client " + clientName_ + " connected");
    return ReadResult::Connected;
}

// Out of descriptors or memory, the waiting client stays in the queue and the listener stays
// readable: without a pause the simulator would spin on it until the shortage ends.
Line::ReadResult NetworkLine::AcceptFailed(int error) {
    if (error == EINTR || error == EAGAIN || error == ECONNABORTED)
        return ReadResult::Interrupted;  // nothing came on the line
    if (!acceptFailing_)
        log_.Line("cannot take a client on " + name_ + ": " + std::strerror(error) + "; trying again");
    acceptFailing_ = true;
    ::poll(nullptr, 0, kAcceptRetryMs);
    return ReadResult::Interrupted;
}

void NetworkLine::DropClient() {
    if (client_ >= 0)
        ::close(client_);
    client_ = -1;
    clientName_.clear();
}

bool NetworkLine::Write(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (client_ >= 0 && done < bytes.size()) {
        const ssize_t put = ::send(client_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        done += static_cast<std::size_t>(put);
    }
    return client_ >= 0;
}
