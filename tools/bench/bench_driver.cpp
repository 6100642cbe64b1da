// bench_driver: measures the shipped panel against bare Win32 floors on the bench's cables, in
// one run (absolute times drift on shared machines; ratios measured together do not), and writes
// the report.
//   bench_driver.exe REPORT QUORVEX_EXE BARE_WRITER_EXE BARE_DIALOG_EXE QUORVEX_X86_EXE
// Paths are Unix paths. Needs COM3<->COM13 and the device link of ROOT\PORTS\0003 (start.sh and
// discovery-links.sh).
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "Bench.h"
#include "Figures.h"
#include "Footprint.h"
#include "Latency.h"
#include "Panel.h"
#include "Startup.h"
#include "helpers/ComDevices.h"

namespace {

constexpr int kLatencyRounds = 2;
constexpr int kPressesPerRound = 150;
constexpr int kStarts = 20;
constexpr DWORD kIdleMs = 10000;
constexpr DWORD kSettleMs = 1000;
constexpr long long kX64SizeLimit = 1500000;

struct Paths {
    std::wstring report, panel, writer, dialog, panelX86;
};

class Report {
public:
    void Line(const char* format, ...) {
        char text[512];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        text_ += text;
        text_ += '\n';
    }
    const std::string& Text() const { return text_; }

private:
    std::string text_;
};

void Progress(const char* what) { std::fprintf(stderr, "bench: %s\n", what); }

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

const char* WineVersion() {
    using Version = const char*(CDECL*)();
    auto version = reinterpret_cast<Version>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version")));
    return version ? version() : "not Wine";
}

void LatencySection(const Paths& paths, Report& report) {
    Progress("press-to-wire latency");
    LatencySamples panel, bare;
    // Alternating blocks, so drift during the run falls on both alike.
    for (int round = 0; round < kLatencyRounds; ++round) {
        TimeBareWriterPresses(paths.writer, kPressesPerRound, bare);
        TimePanelPresses(paths.panel, kPressesPerRound, panel);
    }
    report.Line("1. Press-to-wire latency: PostMessage(BM_CLICK) to button 1003 until the 5th byte of \"GEFg\\n\"");
    report.Line("   arrives at COM13 (the cable's far end of COM3); %d rounds of %d presses each.", kLatencyRounds,
                kPressesPerRound);
    for (const auto* side : {&panel, &bare}) {
        report.Line("   %-26s median %7.3f ms   p99 %7.3f ms   (%zu presses, %d failed)%s%s",
                    side == &panel ? "Quorvex.exe (x64):" : "bare writer (floor):", Median(side->ms),
                    Percentile(side->ms, 99), side->ms.size(), side->failures, side->problem.empty() ? "" : "  ",
                    Narrow(side->problem).c_str());
    }
    report.Line("   median ratio: %s", RatioVerdict(Median(panel.ms), Median(bare.ms), 1.5).c_str());
    report.Line("   p99 ratio:    %s", RatioVerdict(Percentile(panel.ms, 99), Percentile(bare.ms, 99), 2.0).c_str());
}

std::vector<double> Successful(const std::vector<double>& times) {
    std::vector<double> kept;
    for (double t : times)
        if (t >= 0)
            kept.push_back(t);
    return kept;
}

void StartupSection(const Paths& paths, Report& report) {
    Progress("start-up time");
    TimeStartup(paths.panel);  // one unmeasured start each: the first loads files from disk
    TimeStartup(paths.dialog);
    std::vector<double> panel, bare;
    for (int start = 0; start < kStarts; ++start) {
        panel.push_back(TimeStartup(paths.panel));
        bare.push_back(TimeStartup(paths.dialog));
    }
    panel = Successful(panel);
    bare = Successful(bare);
    report.Line("2. Start-up to a responsive window: CreateProcess until the main window answers WM_NULL");
    report.Line("   (SendMessageTimeout); %d starts each, alternating.", kStarts);
    report.Line("   Quorvex.exe (x64):         median %7.1f ms   (%zu of %d started)", Median(panel), panel.size(),
                kStarts);
    report.Line("   bare 242x362 DU dialog:    median %7.1f ms   (%zu of %d started)", Median(bare), bare.size(),
                kStarts);
    report.Line("   ratio: %s", RatioVerdict(Median(panel), Median(bare), 1.3).c_str());
}

void CpuLine(Report& report, const char* label, const CpuUse& use) {
    // Wine answers GetProcessTimes for another process with zeros: Linux's count is then the figure.
    const bool fromLinux = use.windowsSeconds <= 0 && use.unixSeconds >= 0;
    const double seconds = fromLinux ? use.unixSeconds : use.windowsSeconds;
    report.Line("   %-34s %6.3f s CPU (%4.1f%% of a core, %s); GetProcessTimes %.3f s; wineserver meanwhile %.3f s",
                label, seconds, 100.0 * seconds / (kIdleMs / 1000.0), fromLinux ? "Linux /proc" : "GetProcessTimes",
                use.windowsSeconds, use.serverSeconds);
}

void MemoryLine(Report& report, const char* label, const PrivateMemory& memory) {
    report.Line("   %-34s PrivateUsage %zu KiB; Linux VmRSS %ld kB, RssAnon %ld kB", label, memory.privateUsage / 1024,
                memory.vmRssKb, memory.rssAnonKb);
}

void FootprintSection(const Paths& paths, Report& report) {
    Progress("idle CPU and memory");
    report.Line("3. CPU used while idle, over %lu s (kernel + user; Wine reports 0 through GetProcessTimes for another",
                kIdleMs / 1000);
    report.Line("   process, so the figure is the Wine process's utime + stime from Linux /proc/<pid>/stat then):");
    PrivateMemory panelMemory, writerMemory;
    {
        PanelProcess panel(paths.panel);
        ::Sleep(kSettleMs);
        CpuLine(report, "Quorvex.exe, not connected:", CpuOver(panel.Process(), "Quorvex.exe", kIdleMs));
        panel.Click(1000);
        panel.SelectPort(L"COM3");
        panel.Click(1002);
        ::Sleep(kSettleMs);
        CpuLine(
            report,
            panel.Text(1002) == L"Disconnect" ? "Quorvex.exe, connected on COM3:" : "Quorvex.exe, FAILED to connect:",
            CpuOver(panel.Process(), "Quorvex.exe", kIdleMs));
        panelMemory = MemoryOf(panel.Process(), "Quorvex.exe");
    }
    {
        PanelProcess writer(paths.writer);
        ::Sleep(kSettleMs);
        CpuLine(report, "bare writer, COM3 open (floor):", CpuOver(writer.Process(), "bare_writer.exe", kIdleMs));
        writerMemory = MemoryOf(writer.Process(), "bare_writer.exe");
    }
    report.Line("   Cause: the panel's worker waits on WaitCommEvent; on a pty Wine ends that wait about every");
    report.Line("   2 ms (it polls the modem lines, which a pty lacks), so the idle worker wakes hundreds of");
    report.Line("   times a second here. On Windows the wait ends only on real line events.");
    report.Line("   Private memory while connected (Wine reports PrivateUsage as 0; then read Linux's");
    report.Line("   /proc/<pid>/status of the Wine process: RssAnon is its private resident memory):");
    MemoryLine(report, "Quorvex.exe, connected:", panelMemory);
    MemoryLine(report, "bare writer, COM3 open (floor):", writerMemory);
    const long long x64 = FileSize(paths.panel);
    const long long x86 = FileSize(paths.panelX86);
    report.Line("   Exe size: x64 %lld bytes (target under %lld: %s); x86 %lld bytes.", x64, kX64SizeLimit,
                x64 > 0 && x64 < kX64SizeLimit ? "met" : "NOT met", x86);
}

bool WriteFileText(const std::wstring& path, const std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: bench_driver REPORT QUORVEX_EXE BARE_WRITER BARE_DIALOG QUORVEX_X86_EXE\n");
        return 2;
    }
    std::vector<std::wstring> windows;
    for (int i = 1; i < argc; ++i)
        windows.push_back(UnixToWindowsPath(Narrow(argv[i])));
    const Paths paths{windows[0], windows[1], windows[2], windows[3], windows[4]};

    ComDevices devices;  // Search finds COM3 as a driver would leave it registered
    devices.Add(L"0003", L"Communications Port (COM3)", L"Communications Port");

    Report report;
    report.Line("Quorvex benchmarks under Wine %s; each figure against its floor, same run.", WineVersion());
    report.Line("");
    LatencySection(paths, report);
    report.Line("");
    StartupSection(paths, report);
    report.Line("");
    FootprintSection(paths, report);
    return WriteFileText(paths.report, report.Text()) ? 0 : 1;
}
