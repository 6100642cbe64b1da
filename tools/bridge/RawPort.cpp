#include "RawPort.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include "tools/core/FrameSplitter.h"

namespace {

// A frame's five bytes come in one write from any control system; one still open this long after
// its last byte is torn, as the device would take it.
constexpr auto kQuiet = std::chrono::milliseconds(200);
constexpr std::size_t kMostClients = 8;

struct RawClient {
    UniqueFd socket;
    FrameSplitter splitter;
    std::chrono::steady_clock::time_point lastByte;
};

UniqueFd ListenOn(const ListenAddress& address, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(address.port);
    if (::getaddrinfo(address.host.c_str(), port.c_str(), &hints, &found) != 0) {
        *error = "no such address " + address.host;
        return UniqueFd();
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    UniqueFd listener(::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int reuse = 1;
    if (!listener.valid() || ::setsockopt(listener.get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) != 0 ||
        ::bind(listener.get(), found->ai_addr, found->ai_addrlen) != 0 || ::listen(listener.get(), 8) != 0) {
        *error = "cannot listen on " + address.host + ":" + port;
        return UniqueFd();
    }
    return listener;
}

int BoundPort(int socket) {
    sockaddr_storage bound{};
    socklen_t length = sizeof bound;
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&bound), &length) != 0)
        return -1;
    char port[NI_MAXSERV];
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&bound), length, nullptr, 0, port, sizeof port, NI_NUMERICSERV) != 0)
        return -1;
    return std::stoi(port);
}

}  // namespace

RawPort::~RawPort() {
    stopWrite_ = UniqueFd();
    if (thread_.joinable())
        thread_.join();
}

int RawPort::Start(const ListenAddress& address, std::string* error) {
    listener_ = ListenOn(address, error);
    int ends[2];
    if (!listener_.valid())
        return -1;
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        *error = "cannot make the raw port's stop pipe";
        return -1;
    }
    stopRead_ = UniqueFd(ends[0]);
    stopWrite_ = UniqueFd(ends[1]);
    thread_ = std::thread(&RawPort::Serve, this);
    return BoundPort(listener_.get());
}

void RawPort::Serve() {
    std::vector<std::unique_ptr<RawClient>> clients;
    const auto take = [this](const std::vector<LineEvent>& events) {
        for (const LineEvent& event : events) {
            const bool queued = event.kind == LineEventKind::Command &&
                                queue_.Submit({{event.command, 0}}).admission == Admission::Queued;
            ++(queued ? counters_.forwarded : counters_.dropped);
        }
    };
    for (;;) {
        std::vector<pollfd> watched{{stopRead_.get(), POLLIN, 0}, {listener_.get(), POLLIN, 0}};
        bool pending = false;
        for (const auto& client : clients) {
            watched.push_back({client->socket.get(), POLLIN, 0});
            pending = pending || client->splitter.HasPending();
        }
        ::poll(watched.data(), watched.size(), pending ? static_cast<int>(kQuiet.count()) : -1);
        if (watched[0].revents)
            return;
        const auto now = std::chrono::steady_clock::now();
        for (std::size_t i = 0; i < clients.size(); ++i) {
            RawClient& client = *clients[i];
            std::uint8_t bytes[512];
            const ssize_t got = watched[i + 2].revents ? ::recv(client.socket.get(), bytes, sizeof bytes, 0) : 0;
            if (got > 0) {
                client.lastByte = now;
                take(client.splitter.Feed(bytes, static_cast<std::size_t>(got)));
            } else if (watched[i + 2].revents || now - client.lastByte >= kQuiet) {
                take(client.splitter.Flush());
            }
            if (watched[i + 2].revents && got <= 0)
                client.socket = UniqueFd();
        }
        clients.erase(std::remove_if(clients.begin(), clients.end(), [](const auto& c) { return !c->socket.valid(); }),
                      clients.end());
        if (watched[1].revents) {
            UniqueFd accepted(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
            if (accepted.valid() && clients.size() < kMostClients)
                clients.push_back(std::make_unique<RawClient>(RawClient{std::move(accepted), {}, now}));
        }
    }
}
