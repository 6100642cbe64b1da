#include "Footprint.h"

#include <psapi.h>

#include "Figures.h"
#include "UnixProcess.h"

namespace {

constexpr double kTicksPerSecond = 100;  // USER_HZ of Linux on x86-64

double ProcessSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(process, &created, &exited, &kernel, &user))
        return -1;
    const auto ticks = [](const FILETIME& t) {
        return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 1e7;
}

double UnixSeconds(long pid) {
    const long long ticks = pid > 0 ? StatCpuTicks(ReadProcFile(pid, "stat")) : -1;
    return ticks < 0 ? -1 : static_cast<double>(ticks) / kTicksPerSecond;
}

long ServerPid() {
    const long pid = FindUnixPid("wineserver64");
    return pid > 0 ? pid : FindUnixPid("wineserver");
}

double Difference(double before, double after) { return before < 0 || after < 0 ? -1 : after - before; }

}  // namespace

CpuUse CpuOver(HANDLE process, const std::string& unixName, DWORD ms) {
    const long pid = FindUnixPid(unixName);
    const long server = ServerPid();
    const double windowsBefore = ProcessSeconds(process);
    const double unixBefore = UnixSeconds(pid);
    const double serverBefore = UnixSeconds(server);
    ::Sleep(ms);
    CpuUse use;
    use.windowsSeconds = Difference(windowsBefore, ProcessSeconds(process));
    use.unixSeconds = Difference(unixBefore, UnixSeconds(pid));
    use.serverSeconds = Difference(serverBefore, UnixSeconds(server));
    return use;
}

bool CpuFromLinux(const CpuUse& use) { return use.unixSeconds >= 0; }

double CpuSeconds(const CpuUse& use) { return CpuFromLinux(use) ? use.unixSeconds : use.windowsSeconds; }

bool MapsModemLines(const std::string& unixName) {
    const long pid = FindUnixPid(unixName);
    return pid > 0 && ReadProcFile(pid, "maps").find("libquorvex-modem-lines") != std::string::npos;
}

PrivateMemory MemoryOf(HANDLE process, const std::string& unixName) {
    PrivateMemory memory;
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
        memory.privateUsage = counters.PrivateUsage;
    const long pid = FindUnixPid(unixName);
    if (pid > 0) {
        const std::string status = ReadProcFile(pid, "status");
        memory.vmRssKb = StatusField(status, "VmRSS");
        memory.rssAnonKb = StatusField(status, "RssAnon");
    }
    return memory;
}

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
