#include "FaultBench.h"

#include "Bench.h"
#include "Wait.h"

#include <psapi.h>
#include <winternl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

std::string ReadWholeFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof(buffer), &got, nullptr) && got)
        text.append(buffer, got);
    ::CloseHandle(file);
    return text;
}

std::string BenchDir() {
    const std::string prefix = BenchPrefix();
    return prefix.substr(0, prefix.find_last_of('/'));
}

std::vector<std::wstring> EntriesOf(const std::wstring& dir) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW((dir + L"\\*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (std::wcscmp(entry.cFileName, L".") && std::wcscmp(entry.cFileName, L".."))
            names.emplace_back(entry.cFileName);
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

// The handle list's entries (SystemExtendedHandleInformation, class 64).
struct HandleEntry {
    PVOID object;
    ULONG_PTR processId;
    ULONG_PTR handleValue;
    ULONG grantedAccess;
    USHORT creatorBackTraceIndex;
    USHORT objectTypeIndex;
    ULONG attributes;
    ULONG reserved;
};
struct HandleList {
    ULONG_PTR count;
    ULONG_PTR reserved;
    HandleEntry entries[1];
};
constexpr auto kExtendedHandleInformation = static_cast<SYSTEM_INFORMATION_CLASS>(64);

}  // namespace

FaultCable::FaultCable() { laid_ = Lay(); }

bool FaultCable::Cut() { return Run("cut"); }

bool FaultCable::Lay() { return Run("lay"); }

bool FaultCable::Run(const char* action) {
    const char* script = std::getenv("QUORVEX_FAULT_CABLE");
    if (!script || BenchPrefix().empty())
        return false;
    const std::string marker =
        BenchDir() + "/cables/fault-done-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++calls_);
    const std::string arguments = std::string(script) + " " + action + " " + BenchDir() + " " + marker;
    // A Unix program started from Wine gives no process handle to wait on: the script writes the
    // marker last.
    if (!StartUnixProgram(L"Z:\\bin\\bash " + std::wstring(arguments.begin(), arguments.end())))
        return false;
    const std::wstring markerPath = UnixToWindowsPath(marker);
    std::string outcome;
    WaitUntil(
        [&] {
            outcome = ReadWholeFile(markerPath);
            return !outcome.empty();
        },
        20000);
    ::DeleteFileW(markerPath.c_str());
    return outcome.rfind("ok", 0) == 0;
}

UnixView::UnixView(const std::string& exeName) {
    const std::string prefixSetting = "WINEPREFIX=" + BenchPrefix();
    for (const std::wstring& name : EntriesOf(L"Z:\\proc")) {
        if (name.empty() || name[0] < L'0' || name[0] > L'9')
            continue;
        const std::wstring dir = L"Z:\\proc\\" + name;
        if (ReadWholeFile(dir + L"\\cmdline").find(exeName) == std::string::npos)
            continue;
        std::string environment = ReadWholeFile(dir + L"\\environ");
        std::replace(environment.begin(), environment.end(), '\0', '\n');
        if ((environment + "\n").find(prefixSetting + "\n") != std::string::npos) {
            procDir_ = dir;
            return;
        }
    }
}

double UnixView::CpuMs() const {
    // Fields after the command name, which is in parentheses: utime and stime are the 12th and 13th.
    const std::string stat = ReadWholeFile(procDir_ + L"\\stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 13 && fields >> field; ++i)
        if (i >= 12)
            ticks += std::atof(field.c_str());
    return ticks * 10.0;  // USER_HZ is 100 on Linux
}

int UnixView::OpenFds() const { return static_cast<int>(EntriesOf(procDir_ + L"\\fd").size()); }

long UnixView::RssKb() const {
    const std::string status = ReadWholeFile(procDir_ + L"\\status");
    const size_t at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::atol(status.c_str() + at + 6);
}

int ServerHandleCount(DWORD processId) {
    std::vector<BYTE> buffer(1 << 20);
    for (;;) {
        ULONG needed = 0;
        const NTSTATUS status = ::NtQuerySystemInformation(kExtendedHandleInformation, buffer.data(),
                                                           static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0)
            break;
        if (buffer.size() >= (64u << 20))
            return -1;
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
    }
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    int count = 0;
    for (ULONG_PTR i = 0; i < list->count; ++i)
        count += list->entries[i].processId == processId;
    return count;
}

SIZE_T CommittedBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    return ::GetProcessMemoryInfo(process, &counters, sizeof(counters)) ? counters.PagefileUsage : 0;
}

double ResponseMs(HWND window, DWORD limitMs) {
    LARGE_INTEGER frequency, start, end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, limitMs, &result))
        return limitMs;
    ::QueryPerformanceCounter(&end);
    return static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Percentile(std::vector<double> samples, double fraction) {
    if (samples.empty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const size_t at = static_cast<size_t>(fraction * static_cast<double>(samples.size() - 1) + 0.5);
    return samples[std::min(at, samples.size() - 1)];
}
