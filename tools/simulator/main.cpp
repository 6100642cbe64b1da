// quorvex-simulator: a Quorvex multiviewer on the far end of a serial line, or behind a serial
// server's TCP port, for trying the control panel without the device. Ends on SIGINT or SIGTERM,
// or when the serial line goes away.
#include <csignal>
#include <iostream>
#include <memory>

#include "tools/core/FrameSplitter.h"
#include "Log.h"
#include "Multiviewer.h"
#include "NetworkLine.h"
#include "Options.h"
#include "SerialLine.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

// Without SA_RESTART, so a signal ends the wait on the line at once.
void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// A frame's five bytes take about 5 ms at 9600 baud; a frame still open after this is torn.
constexpr int kQuietMs = 200;
constexpr int kIdleWaitMs = 1000;

int Serve(Line& line, Multiviewer& device, const std::vector<std::uint8_t>& greeting) {
    FrameSplitter splitter;
    while (!stopRequested) {
        std::vector<std::uint8_t> bytes;
        const auto result = line.Read(splitter.HasPending() ? kQuietMs : kIdleWaitMs, &bytes);
        if (result == Line::ReadResult::Failed)
            break;
        if (result == Line::ReadResult::Connected && !greeting.empty())
            device.Send(greeting);
        const auto events = result == Line::ReadResult::Data    ? splitter.Feed(bytes.data(), bytes.size())
                            : result == Line::ReadResult::Quiet ? splitter.Flush()
                                                                : std::vector<LineEvent>{};
        for (const LineEvent& event : events)
            device.Receive(event);
    }
    for (const LineEvent& event : splitter.Flush())
        device.Receive(event);
    return stopRequested ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || options.version) {
        std::cout << (options.help ? kUsage : "quorvex-simulator " QUORVEX_VERSION_TEXT "\n");
        return 0;
    }
    if (!options.error.empty()) {
        std::cerr << "quorvex-simulator: " << options.error << "\n" << kUsage;
        return 2;
    }
    CatchStopSignals();
    Log log(std::cout, options.logPath);
    if (log.FileFailed()) {
        std::cerr << "quorvex-simulator: cannot write " << options.logPath << "\n";
        return 2;
    }
    std::unique_ptr<Line> line;
    if (options.listen)
        line = std::make_unique<NetworkLine>(*options.listen, log);
    else
        line = std::make_unique<SerialLine>(options.line);
    if (!line->Error().empty()) {
        std::cerr << "quorvex-simulator: " << line->Error() << "\n";
        return 1;
    }
    Multiviewer device(log, options.pictures, options.reply,
                       [&line](const std::vector<std::uint8_t>& bytes) { return line->Write(bytes); });
    log.Line("multiviewer listening on " + line->Describe());
    device.ShowScreen();
    // A serial line is connected from the start; a TCP client is greeted when it comes.
    if (!options.greeting.empty() && !options.listen)
        device.Send(options.greeting);
    const int status = Serve(*line, device, options.greeting);
    log.Line(status == 0 ? "stopped" : "the line is gone: stopped");
    return status;
}
