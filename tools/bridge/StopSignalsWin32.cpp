#include "StopSignals.h"

#include <windows.h>

namespace {

// The console's handler runs on a thread of its own; it hands the stop to the I/O thread. Set
// while a StopSignals lives.
asio::io_context* stopIo = nullptr;
std::function<void()>* stopCall = nullptr;
HANDLE ended = nullptr;  // set once main is done, so that Windows ends the process no earlier

// Windows ends the process when this returns from a closed console, logoff or shutdown: it waits
// for the bridge to finish its stop first, a few seconds at most.
BOOL WINAPI OnConsoleEvent(DWORD) {
    asio::post(*stopIo, [] { (*stopCall)(); });
    ::WaitForSingleObject(ended, 5000);
    return TRUE;
}

}  // namespace

struct StopSignals::Watch {
    std::function<void()> stop;
};

StopSignals::StopSignals(asio::io_context& io, std::function<void()> stop)
    : watch_(std::make_unique<Watch>(Watch{std::move(stop)})) {
    stopIo = &io;
    stopCall = &watch_->stop;
    ended = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

StopSignals::~StopSignals() { ::SetEvent(ended); }
