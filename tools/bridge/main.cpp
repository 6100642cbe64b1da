// quorvex-bridge: holds one line to the Quorvex multiviewer and sends its frames for any number of
// clients: an HTTP API with a web panel, and a raw TCP port for control systems that speak bytes.
// Ends on SIGINT or SIGTERM.
#include <csignal>
#include <iostream>
#include <optional>
#include <thread>

#include <unistd.h>

#include "BridgeOptions.h"
#include "FrameQueue.h"
#include "HttpApi.h"
#include "RawPort.h"

namespace {

std::string UrlHost(const std::string& host) { return host.find(':') == std::string::npos ? host : "[" + host + "]"; }

// The start-up line: where the bridge serves, and what is not safe about it.
std::string StartLine(const BridgeOptions& options, int httpPort, int rawPort) {
    std::string line = "http://" + UrlHost(options.listen.host) + ":" + std::to_string(httpPort) + "/";
    if (rawPort >= 0)
        line += " raw tcp:" + UrlHost(options.rawListen.host) + ":" + std::to_string(rawPort);
    if (!options.listen.loopback && options.token.empty())
        line += " (warning: no --token: anyone who reaches this address can send commands)";
    if (options.raw && !options.rawListen.loopback)
        line += " (warning: the raw port asks no token: anyone who reaches it can send frames)";
    return line;
}

// SIGINT and SIGTERM are taken by the main thread alone, so a stop never lands inside a frame's write.
sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

}  // namespace

int main(int argc, char** argv) {
    const BridgeOptions options = ParseBridgeArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help) {
        std::cout << kBridgeUsage;
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "quorvex-bridge: " << options.error << "\n" << kBridgeUsage;
        return 2;
    }
    // A client or line that went away fails its write; it must not end the bridge.
    std::signal(SIGPIPE, SIG_IGN);
    const sigset_t stopSignals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    AssumedState assumed;
    RawCounters rawCounters;
    FrameQueue queue(options.line, options.gapMs, assumed);
    std::optional<RawPort> raw;
    int rawPort = -1;
    if (options.raw) {
        std::string error;
        raw.emplace(queue, rawCounters);
        rawPort = raw->Start(options.rawListen, &error);
        if (rawPort < 0) {
            std::cerr << "quorvex-bridge: " << error << "\n";
            return 1;
        }
    }
    HttpApi api(queue, assumed, rawCounters, options.token);
    const int httpPort = api.Bind(options.listen);
    if (httpPort < 0) {
        std::cerr << "quorvex-bridge: cannot listen on " << options.listen.host << ":" << options.listen.port << "\n";
        return 1;
    }
    std::cout << StartLine(options, httpPort, rawPort) << std::endl;
    std::thread server([&api] {
        api.Serve();
        ::kill(::getpid(), SIGTERM);  // serving ended by itself: main must not wait for a signal
    });
    int signal = 0;
    sigwait(&stopSignals, &signal);
    api.Stop();
    server.join();
    return 0;
}
