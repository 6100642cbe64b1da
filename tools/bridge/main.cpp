// quorvex-bridge: holds one line to the Quorvex multiviewer and sends its frames for any number of
// clients: an HTTP API with a web panel and live events, and a raw TCP port for control systems
// that speak bytes. One I/O thread serves them all; the line's blocking writes run on a thread of
// their own.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "BridgeApi.h"
#include "BridgeOptions.h"
#include "BridgePlatform.h"
#include "EventHub.h"
#include "HttpServer.h"
#include "Listener.h"
#include "RawPort.h"
#include "StopSignals.h"

namespace {

// Far more than a building's panels and scripts; the bench holds 10,000 idle at once.
constexpr std::size_t kMostConnections = 16384;
// Descriptors kept for the raw port, the event pages, the line and the process's own.
constexpr unsigned long kOtherDescriptors = 400;
// However clients behave, the process ends this soon after the signal.
constexpr std::chrono::milliseconds kLongestStop{900};
constexpr std::chrono::milliseconds kStopCheck{5};

std::size_t MostConnections(unsigned long openFileLimit) {
    if (openFileLimit == 0)
        return kMostConnections;
    return openFileLimit > kOtherDescriptors + 64
               ? std::min<std::size_t>(kMostConnections, openFileLimit - kOtherDescriptors)
               : 64;
}

// The start-up line: where the bridge serves, and what is not safe about it.
std::string StartLine(const BridgeOptions& options, const tcp::acceptor& http, const tcp::acceptor* raw) {
    std::string line = "http://" + AddressText(options.listen.host, http.local_endpoint().port()) + "/";
    if (raw)
        line += " raw tcp:" + AddressText(options.rawListen.host, raw->local_endpoint().port());
    if (!options.listen.loopback && options.token.empty())
        line += " (warning: no --token: anyone who reaches this address can send commands)";
    if (options.raw && !options.rawListen.loopback)
        line += " (warning: the raw port asks no token: anyone who reaches it can send frames)";
    return line;
}

int Fail(const std::string& error) {
    std::cerr << "quorvex-bridge: " << error << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const BridgeOptions options = ParseBridgeArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || options.version) {
        std::cout << (options.help ? kBridgeUsage : "quorvex-bridge " QUORVEX_VERSION_TEXT "\n");
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "quorvex-bridge: " << options.error << "\n" << kBridgeUsage;
        return 2;
    }
    const unsigned long openFileLimit = RaiseOpenFileLimit();
    asio::io_context io(1);
    std::string error;
    std::optional<tcp::acceptor> httpAcceptor = Listen(io, options.listen, &error);
    if (!httpAcceptor)
        return Fail(error);
    std::optional<tcp::acceptor> rawAcceptor;
    if (options.raw && !(rawAcceptor = Listen(io, options.rawListen, &error)))
        return Fail(error);
    const std::string startLine = StartLine(options, *httpAcceptor, rawAcceptor ? &*rawAcceptor : nullptr);

    BridgeLine line(io, options.line, options.gapMs);
    HttpCounts counts;
    const Access access(options);
    EventHub events(line, counts);
    BridgeApi api(line, access, counts);
    HttpServer server(std::move(*httpAcceptor), api, events, counts, MostConnections(openFileLimit));
    std::optional<RawPort> raw;
    if (rawAcceptor)
        raw.emplace(std::move(*rawAcceptor), line);

    // Stopping: nothing new is taken, everything waiting is answered 503, the frame being written
    // goes out whole; the process ends once the answers are out, or the time is up.
    bool stopping = false, lineIdle = false;
    const Clock::time_point never = Clock::time_point::max();
    Clock::time_point stopBy = never;
    asio::steady_timer stopCheck(io);
    std::function<void()> checkStopped = [&] {
        if ((lineIdle && counts.connections == 0) || Clock::now() >= stopBy) {
            io.stop();
            return;
        }
        stopCheck.expires_after(kStopCheck);
        stopCheck.async_wait([&](const boost::system::error_code&) { checkStopped(); });
    };
    const StopSignals signals(io, [&] {
        if (std::exchange(stopping, true))
            return;
        stopBy = Clock::now() + kLongestStop;
        server.Stop();
        if (raw)
            raw->Stop();
        events.Stop();
        line.Stop([&] { lineIdle = true; });
        checkStopped();
    });

    std::cout << startLine << std::endl;
    line.Start();
    server.Start();
    if (raw)
        raw->Start();
    io.run();
    // A write the line has not taken yet may hold the writer up to its bound: it is not waited for.
    if (line.WriterBusy()) {
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return 0;
}
