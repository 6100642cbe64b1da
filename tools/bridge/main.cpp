// quorvex-bridge: holds the lines to Quorvex multiviewers and sends their frames for any number of
// clients: an HTTP API with a web panel and live events, a raw TCP port for control systems that
// speak bytes, and a device per line on an MQTT broker. One I/O thread serves them all; each line's
// blocking writes run on a thread of their own.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

#include "BridgeApi.h"
#include "BridgeOptions.h"
#include "BridgePlatform.h"
#include "HttpServer.h"
#include "Listener.h"
#include "ServedLine.h"
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

using Lines = std::vector<std::unique_ptr<ServedLine>>;

// The start-up line: where the bridge serves, and what is not safe about it.
std::string StartLine(const BridgeOptions& options, const tcp::acceptor& http, const Lines& lines) {
    std::string text = "http://" + AddressText(options.listen.host, http.local_endpoint().port()) + "/";
    bool rawElsewhere = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const LineOptions& line = options.lines[i];
        if (const RawPort* raw = lines[i]->Raw())
            text += " raw " + (lines.size() > 1 ? line.name + " " : "") +
                    "tcp:" + AddressText(line.rawListen.host, raw->Port());
        rawElsewhere = rawElsewhere || (line.raw && !line.rawListen.loopback);
    }
    if (!options.listen.loopback && options.token.empty())
        text += " (warning: no token: anyone who reaches this address can send commands)";
    if (rawElsewhere)
        text += " (warning: the raw port asks no token: anyone who reaches it can send frames)";
    return text;
}

// Each line with its raw port bound and its device on the broker; empty with *error set when one fails.
Lines ServeLines(asio::io_context& io, const BridgeOptions& options, const HttpCounts& counts, std::string* error) {
    Lines lines;
    for (const LineOptions& line : options.lines) {
        lines.push_back(std::make_unique<ServedLine>(io, line, options.gapMs, counts));
        bool ready = !line.raw || lines.back()->ListenRaw(line.rawListen, error);
#ifdef QUORVEX_MQTT
        ready = ready && (!options.mqtt.enabled || lines.back()->JoinBroker(options.mqtt, error));
#endif
        if (!ready)
            return {};
    }
    return lines;
}

int Fail(const std::string& error) {
    std::cerr << "quorvex-bridge: " << error << "\n";
    return 1;
}

int Serve(int argc, char** argv) {
    const BridgeOptions options = ParseBridgeArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || options.version) {
        std::cout << (options.help ? BridgeUsage() : "quorvex-bridge " BRIDGE_VERSION_TEXT "\n");
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "quorvex-bridge: " << options.error << "\n" << BridgeUsage();
        return 2;
    }
    const unsigned long openFileLimit = RaiseOpenFileLimit();
    asio::io_context io(1);
    std::string error;
    std::optional<tcp::acceptor> httpAcceptor = Listen(io, options.listen, &error);
    if (!httpAcceptor)
        return Fail(error);
    HttpCounts counts;
    const Lines lines = ServeLines(io, options, counts, &error);
    if (lines.empty())
        return Fail(error);
    const std::string startLine = StartLine(options, *httpAcceptor, lines);

    const Access access(options);
    std::vector<ApiLine> apiLines;
    for (const auto& line : lines)
        apiLines.push_back(line->ForApi());
    BridgeApi api(std::move(apiLines), access, counts);
    HttpServer server(std::move(*httpAcceptor), api, counts, MostConnections(openFileLimit));

    // Stopping: nothing new is taken, everything waiting is answered 503, the frame being written
    // goes out whole; the process ends once the answers are out, or the time is up.
    bool stopping = false;
    std::size_t linesIdle = 0;
    const Clock::time_point never = Clock::time_point::max();
    Clock::time_point stopBy = never;
    asio::steady_timer stopCheck(io);
    std::function<void()> checkStopped = [&] {
        if ((linesIdle == lines.size() && counts.connections == 0) || Clock::now() >= stopBy) {
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
        for (const auto& line : lines)
            line->Stop([&] { ++linesIdle; });
        checkStopped();
    });

    std::cout << startLine << std::endl;
    for (const auto& line : lines)
        line->Start();
    server.Start();
    io.run();
    // Ended here rather than by returning: a write the line has not taken may hold the writer up to
    // its bound, and connections still closing hold handlers that refer to the servers. The system
    // closes the line and every socket at once.
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace

// What nothing above could take (memory gone, a system call the I/O engine cannot do) ends the
// bridge with its reason rather than an abort.
int main(int argc, char** argv) {
    try {
        return Serve(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "quorvex-bridge: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "quorvex-bridge: stopped by an unknown error\n");
    }
    return 1;
}
