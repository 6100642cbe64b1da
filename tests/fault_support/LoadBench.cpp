#include "fault_support/LoadBench.h"

#include "Threads.h"

#include <cstdio>
#include <cstdlib>

int CountFromEnvironment(const char* name, int fallback) {
    const char* value = std::getenv(name);
    const int parsed = value ? std::atoi(value) : 0;
    return parsed > 0 ? parsed : fallback;
}

PanelOnCable::PanelOnCable() { devices.Add(L"0008", L"USB Serial Port (COM8)", L"USB Serial Port", L"USB 1-1"); }

bool PanelOnCable::Ready() {
    if (!cable.IsLaid() || !panel.Window() || !device->IsOpen())
        return false;
    panel.Click(1000);
    panel.SelectPort(L"COM8");
    return true;
}

bool PanelOnCable::Connect() const {
    panel.Click(1002);
    return panel.Text(1002) == L"Disconnect";
}

Figures Measure(const PanelProcess& panel, const UnixView& process) {
    return {CountThreadsOf(panel.ProcessId()), ServerHandleCount(panel.ProcessId()), process.OpenFds(),
            static_cast<long long>(CommittedBytes(panel.Process()) / 1024), process.RssKb()};
}

std::ostream& operator<<(std::ostream& out, const Figures& f) {
    return out << "threads " << f.threads << ", server handles " << f.serverHandles << ", fds " << f.fds
               << ", committed " << f.committedKb << " KiB, VmRSS " << f.rssKb << " KiB";
}

void StreamingDevice::Stop() {
    stop_ = true;
    if (thread_) {
        ::WaitForSingleObject(thread_, INFINITE);
        ::CloseHandle(thread_);
        thread_ = nullptr;
    }
}

void StreamingDevice::Run() {
    wchar_t path[32];
    std::swprintf(path, 32, L"\\\\.\\COM%d", FaultCable::kDevicePort);
    HANDLE line = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    opened_ = line != INVALID_HANDLE_VALUE;
    if (!opened_)
        return;
    // A write returns within 100 ms with what the line took, so Stop is never held up long.
    COMMTIMEOUTS timeouts{0, 0, 0, 0, 100};
    ::SetCommTimeouts(line, &timeouts);
    const Bytes chunk(4096, 'x');
    while (!stop_) {
        DWORD written = 0;
        ::WriteFile(line, chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr);
        sent_ += written;
    }
    ::CloseHandle(line);
}
