// bench_driver: measures the shipped panel, 64-bit and 32-bit, against bare Win32 floors on the
// bench's cables, in one run (absolute times drift on shared machines; ratios measured together
// do not), and writes the report.
//   bench_driver.exe REPORT X64_BUILD X86_BUILD
// The builds are Unix paths of the two build trees; each holds Quorvex.exe and its own bare
// programs in tools/bench. Needs COM3<->COM13 and the device link of ROOT\PORTS\0003 (start.sh and
// discovery-links.sh).
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "Bench.h"
#include "BenchPrograms.h"
#include "BurstLatency.h"
#include "Exit.h"
#include "Figures.h"
#include "Footprint.h"
#include "Latency.h"
#include "Panel.h"
#include "Reconnect.h"
#include "Startup.h"
#include "helpers/ComDevices.h"

namespace {

constexpr int kPresses = 1000;  // p99 is then the 10th slowest, not the 3rd
constexpr int kStarts = 30;
// An exit takes a few ms, or ten times that on a shared machine (each of its many wineserver calls
// may wait to be scheduled): 40 runs keep the median in one place. The slowest is shown, as p99
// would be the same.
constexpr int kExitsPerWay = 40;
constexpr int kReconnects = 100;
constexpr int kBurstPresses = 100;  // p99 is then not the slowest; a pressed burst ends once its press is timed
constexpr double kBurstTargetMs = 250;
constexpr DWORD kIdleMs = 10000;
constexpr DWORD kSettleMs = 1000;
constexpr long long kX64SizeLimit = 1500000;

// One build tree's panel and its floors, all built alike for the same architecture.
struct Programs {
    const char* arch;
    std::wstring panel, writer, workerWriter, eventWriter, dialog, panelDialog, lineDialog;
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

double Ratio(double value, double floor) { return floor > 0 ? value / floor : 0; }

double CorePercent(double cpuSeconds) { return 100.0 * cpuSeconds / (kIdleMs / 1000.0); }

// The median and the given tail, "p99" or "slowest" (the 100th percentile), of one program's runs.
void SideLine(Report& report, const char* label, const Samples& samples, const char* runs, double tail = 99) {
    report.Line("   %-34s median %7.3f ms   %s %7.3f ms   (%zu %s, %d failed)%s%s", label, Median(samples.ms),
                tail < 100 ? "p99" : "slowest", Percentile(samples.ms, tail), samples.ms.size(), runs, samples.failures,
                samples.problem.empty() ? "" : "  ", Narrow(samples.problem).c_str());
}

void LatencySection(const Programs& programs, Report& report) {
    Progress("press-to-wire latency");
    Samples panel;
    std::vector<Samples> writers;
    TimeInterleavedPresses(programs.panel, {programs.workerWriter, programs.eventWriter, programs.writer}, kPresses,
                           panel, writers);
    const Samples& worker = writers[0];
    const Samples& events = writers[1];
    const Samples& bare = writers[2];
    report.Line("   %s:", programs.arch);
    SideLine(report, "Quorvex.exe:", panel, "presses");
    SideLine(report, "bare worker writer (floor):", worker, "presses");
    SideLine(report, "  + a line-event wait pending:", events, "presses");
    SideLine(report, "bare writer (lowest floor):", bare, "presses");
    report.Line("   against the worker floor: median %s, p99 %s",
                RatioVerdict(Median(panel.ms), Median(worker.ms), 1.2).c_str(),
                RatioVerdict(Percentile(panel.ms, 99), Percentile(worker.ms, 99), 1.2).c_str());
    report.Line("   against the worker floor with the line-event wait (shown, no target): median %.2fx, p99 %.2fx",
                Ratio(Median(panel.ms), Median(events.ms)), Ratio(Percentile(panel.ms, 99), Percentile(events.ms, 99)));
    report.Line("   against the lowest floor: median %s, p99 %s",
                RatioVerdict(Median(panel.ms), Median(bare.ms), 1.5).c_str(),
                RatioVerdict(Percentile(panel.ms, 99), Percentile(bare.ms, 99), 2.0).c_str());
}

std::vector<double> Successful(const std::vector<double>& times) {
    std::vector<double> kept;
    for (double t : times)
        if (t >= 0)
            kept.push_back(t);
    return kept;
}

void StartupLine(Report& report, const char* label, const std::vector<double>& ms) {
    report.Line("   %-34s median %7.1f ms   p99 %7.1f ms   (%zu of %d started)", label, Median(ms), Percentile(ms, 99),
                ms.size(), kStarts);
}

void StartupSection(const Programs& programs, Report& report) {
    Progress("start-up time");
    // One unmeasured start each: the first loads files from disk.
    for (const std::wstring* exe : {&programs.panel, &programs.panelDialog, &programs.dialog})
        TimeStartup(*exe);
    std::vector<double> panel, panelDialog, dialog;
    for (int start = 0; start < kStarts; ++start) {
        panel.push_back(TimeStartup(programs.panel));
        panelDialog.push_back(TimeStartup(programs.panelDialog));
        dialog.push_back(TimeStartup(programs.dialog));
    }
    panel = Successful(panel);
    panelDialog = Successful(panelDialog);
    dialog = Successful(dialog);
    report.Line("   %s:", programs.arch);
    StartupLine(report, "Quorvex.exe:", panel);
    StartupLine(report, "bare panel dialog (floor):", panelDialog);
    StartupLine(report, "bare 242x362 DU dialog (lowest):", dialog);
    report.Line("   against the panel dialog floor: median %s, p99 %s",
                RatioVerdict(Median(panel), Median(panelDialog), 1.2).c_str(),
                RatioVerdict(Percentile(panel, 99), Percentile(panelDialog, 99), 1.2).c_str());
    report.Line("   against the lowest floor: median %s", RatioVerdict(Median(panel), Median(dialog), 1.3).c_str());
}

double CpuLine(Report& report, const char* label, const CpuUse& use) {
    const double seconds = CpuSeconds(use);
    report.Line("   %-34s %6.3f s CPU (%4.1f%% of a core, %s); GetProcessTimes %.3f s; wineserver meanwhile %.3f s",
                label, seconds, CorePercent(seconds), CpuFromLinux(use) ? "Linux /proc" : "GetProcessTimes",
                use.windowsSeconds, use.serverSeconds);
    return seconds;
}

void MemoryLine(Report& report, const char* label, const PrivateMemory& memory) {
    report.Line("   %-34s PrivateUsage %zu KiB; Linux VmRSS %ld kB, RssAnon %ld kB", label, memory.privateUsage / 1024,
                memory.vmRssKb, memory.rssAnonKb);
}

double IdleCpuOf(const std::wstring& exe, const char* unixName, const char* label, Report& report,
                 PrivateMemory* memory = nullptr) {
    PanelProcess program(exe);
    ::Sleep(kSettleMs);
    const double seconds = CpuLine(report, label, CpuOver(program.Process(), unixName, kIdleMs));
    if (memory)
        *memory = MemoryOf(program.Process(), unixName);
    return seconds;
}

void FootprintOf(const Programs& programs, Report& report) {
    report.Line("   %s:", programs.arch);
    PrivateMemory panelMemory, writerMemory;
    double connected = -1;
    bool modemLines = false;
    {
        PanelProcess panel(programs.panel);
        ::Sleep(kSettleMs);
        CpuLine(report, "Quorvex.exe, not connected:", CpuOver(panel.Process(), "Quorvex.exe", kIdleMs));
        const bool isConnected = ConnectPanel(panel, 3);
        ::Sleep(kSettleMs);
        connected = CpuLine(report, isConnected ? "Quorvex.exe, connected on COM3:" : "Quorvex.exe, FAILED to connect:",
                            CpuOver(panel.Process(), "Quorvex.exe", kIdleMs));
        panelMemory = MemoryOf(panel.Process(), "Quorvex.exe");
        modemLines = MapsModemLines("Quorvex.exe");
    }
    IdleCpuOf(programs.writer, "bare_writer.exe", "bare writer, COM3 open:", report, &writerMemory);
    const double floor =
        IdleCpuOf(programs.eventWriter, "bare_event_writer.exe", "bare worker writer, wait pending:", report);
    report.Line("   connected: %.1f%% of a core (target at most 1%%: %s); against the floor with the same wait: %s",
                CorePercent(connected), connected >= 0 && CorePercent(connected) <= 1.0 ? "met" : "NOT met",
                RatioVerdict(connected, floor, 1.2).c_str());
    report.Line("   the modem-line library mapped in the connected panel: %s",
                modemLines ? "yes" : "NO: Wine ends every line-event wait at once, and these figures measure that");
    MemoryLine(report, "Quorvex.exe, connected:", panelMemory);
    MemoryLine(report, "bare writer, COM3 open (floor):", writerMemory);
}

void FootprintFigure(const std::vector<Programs>& builds, Report& report) {
    Progress("idle CPU and memory");
    report.Line("3. CPU used while idle, over %lu s: kernel + user as Linux counts the Wine process (/proc/<pid>/stat;",
                kIdleMs / 1000);
    report.Line("   Wine answers GetProcessTimes for another process with zeros or far too little); private memory");
    report.Line("   while connected (Wine reports PrivateUsage as 0; Linux's RssAnon is the private resident memory):");
    for (const Programs& programs : builds)
        FootprintOf(programs, report);
    report.Line("   Where the connected panel's CPU goes: not to its worker, which sleeps in its three-event wait.");
    report.Line("   Wine 8 keeps a pending WaitCommEvent alive with a thread of its own that wakes about every");
    report.Line("   1.7 ms and asks the line (four ioctls, FIONREAD) and the wineserver (the event mask) whether");
    report.Line("   anything changed. Every program with a line-event wait pending pays it (the floor above does);");
    report.Line("   on Windows the wait costs nothing until the line has an event.");
    const long long x64Size = FileSize(builds.front().panel);
    report.Line("   Exe size: x64 %lld bytes (target under %lld: %s).", x64Size, kX64SizeLimit,
                x64Size > 0 && x64Size < kX64SizeLimit ? "met" : "NOT met");
    if (builds.size() > 1)
        report.Line("   Exe size: x86 %lld bytes.", FileSize(builds.back().panel));
}

// The panel against its floor, median with a target and the tail shown; failed runs are called out,
// as the median says nothing of them.
void AgainstFloor(Report& report, const Samples& panel, const Samples& floor, double tail) {
    report.Line("   against the floor: median %s; %s %.2fx (shown, no target)",
                RatioVerdict(Median(panel.ms), Median(floor.ms), 1.2).c_str(), tail < 100 ? "p99" : "slowest",
                Ratio(Percentile(panel.ms, tail), Percentile(floor.ms, tail)));
    if (panel.failures > 0)
        report.Line("   the panel FAILED %d runs: the figures above are of the others", panel.failures);
}

void ExitSection(const Programs& programs, Report& report) {
    Progress("exit when connected");
    const struct {
        CloseWay way;
        const char* name;
    } ways[] = {{CloseWay::Escape, "Escape"}, {CloseWay::CloseBox, "the close box (WM_SYSCOMMAND SC_CLOSE)"}};
    for (const auto& way : ways) {
        Samples panel, floor;
        TimeAlternateExits(programs.panel, programs.lineDialog, way.way, kExitsPerWay, panel, floor);
        report.Line("   %s, closed by %s:", programs.arch, way.name);
        SideLine(report, "Quorvex.exe:", panel, "runs", 100);
        SideLine(report, "bare line dialog (floor):", floor, "runs", 100);
        AgainstFloor(report, panel, floor, 100);
    }
}

void ReconnectSection(const Programs& programs, Report& report) {
    Progress("Disconnect+Connect");
    Samples panel, floor;
    TimeAlternateReconnects(programs.panel, programs.lineDialog, kReconnects, panel, floor);
    report.Line("   %s:", programs.arch);
    SideLine(report, "Quorvex.exe:", panel, "cycles");
    SideLine(report, "bare line dialog (floor):", floor, "cycles");
    AgainstFloor(report, panel, floor, 99);
}

void BurstSection(const Programs& programs, Report& report) {
    Progress("press-to-wire during a burst");
    BurstFigures figures;
    TimeBurstPresses(programs.panel, kBurstPresses, figures);
    report.Line("   %s:", programs.arch);
    SideLine(report, "Quorvex.exe, during a burst:", figures.burst, "presses");
    SideLine(report, "Quorvex.exe, on the quiet line:", figures.quiet, "presses");
    SideLine(report, "a burst nobody presses, taken in:", figures.unpressed, "bursts", 100);
    const std::vector<double>& waiting = figures.waiting;
    report.Line("   bytes of the burst the panel had not taken at the press: median %.0f, fewest %.0f", Median(waiting),
                waiting.empty() ? 0.0 : *std::min_element(waiting.begin(), waiting.end()));
    const double p99 = Percentile(figures.burst.ms, 99);
    const bool met = !figures.burst.ms.empty() && figures.burst.failures == 0 && p99 < kBurstTargetMs;
    report.Line("   during a burst: p99 %.3f ms (target p99 under %.0f ms, no press failed: %s); against the quiet",
                p99, kBurstTargetMs, met ? "met" : "NOT met");
    report.Line("   line: median %.2fx, p99 %.2fx (shown, no target)",
                Ratio(Median(figures.burst.ms), Median(figures.quiet.ms)),
                Ratio(p99, Percentile(figures.quiet.ms, 99)));
}

void LatencyFigure(const std::vector<Programs>& builds, Report& report) {
    report.Line("1. Press-to-wire latency: PostMessage(BM_CLICK) to button 1003 until the 5th byte of \"GEFg\\n\"");
    report.Line("   arrives at the far end of the program's cable. The panel and its floors run at once, each on a");
    report.Line("   cable of its own, and are pressed in turn, %d presses each. The worker floors show the panel's",
                kPresses);
    report.Line("   own dialog with its icons and button tips: their press repaints the same icon button, pressed and");
    report.Line("   released, and passes through the same tooltip (under Wine, work for each of its 23 tools).");
    for (const Programs& programs : builds)
        LatencySection(programs, report);
}

void StartupFigure(const std::vector<Programs>& builds, Report& report) {
    report.Line("2. Start-up to a responsive window: CreateProcess until the main window answers WM_NULL");
    report.Line("   (SendMessageTimeout); %d starts each, alternating.", kStarts);
    for (const Programs& programs : builds)
        StartupSection(programs, report);
}

void ExitFigure(const std::vector<Programs>& builds, Report& report) {
    report.Line("4. Exit when connected: the panel connected on COM3, one frame sent so its worker has come round");
    report.Line("   to its line-event wait on the quiet line, then closed; from the close to the end of its process");
    report.Line("   (a failure: no end within 5 s, or an exit code other than 0). Floor: the panel's own dialog in");
    report.Line("   bare Win32 (its 33 controls, icons and tips, all destroyed at exit) holding COM3 open");
    report.Line("   overlapped with a worker's WaitCommEvent pending, which it ends with SetCommMask(0) and collects");
    report.Line("   with GetOverlappedResult before it closes the port; its button 1003 pressed, as the panel's is,");
    report.Line("   so the same button has the focus. Panel and floor alternate, a fresh process each run, %d runs",
                kExitsPerWay);
    report.Line("   each way.");
    for (const Programs& programs : builds)
        ExitSection(programs, report);
}

void ReconnectFigure(const std::vector<Programs>& builds, Report& report) {
    report.Line("5. Disconnect+Connect: on the connected panel, a click on Connect/Disconnect and a click again,");
    report.Line("   until it reads \"Disconnect\" again. Floor: the same two clicks on the bare dialog of 4., on");
    report.Line("   COM4 (both run at once, each on a cable of its own): the wait ended and collected, the port");
    report.Line("   closed, opened again overlapped at 9600 8N1 with the panel's timeouts, purged, with an event");
    report.Line("   mask and a new wait pending; the port list and Search unlocked and locked again, as the");
    report.Line("   panel's are. Cycled in turn, %d cycles each.", kReconnects);
    for (const Programs& programs : builds)
        ReconnectSection(programs, report);
}

void BurstFigure(const std::vector<Programs>& builds, Report& report) {
    report.Line("6. Press-to-wire during a %lu-byte burst: COM13, the far end of the connected panel's cable,",
                kBurstBytes);
    report.Line("   writes %lu bytes, which leave it at the line's 960 a second; once the panel has taken %lu of",
                kBurstBytes, kTakenBeforePress);
    report.Line("   them (what has left COM13's transmit queue less what waits in the panel's COM3 input queue,");
    report.Line("   read through a handle of the bench's own), the press of 1. is posted and timed until its");
    report.Line("   frame's 5th byte is at COM13. Then the rest of the burst is dropped at COM13, and what the panel");
    report.Line("   has not taken is drained before the next press (its input queue empty for 100 ms). Alternating");
    report.Line("   with the same press on the quiet line, %d presses each, after a few unpressed bursts timed from",
                kBurstPresses);
    report.Line("   the write until the panel has taken them. Target: well inside %.0f ms.", kBurstTargetMs);
    for (const Programs& programs : builds)
        BurstSection(programs, report);
}

Programs ProgramsIn(const char* arch, const std::wstring& buildDir) {
    const std::string build = Narrow(buildDir);
    auto program = [&build](const char* path) { return UnixToWindowsPath(build + "/" + path); };
    return {arch,
            program("Quorvex.exe"),
            program("tools/bench/bare_writer.exe"),
            program("tools/bench/bare_worker_writer.exe"),
            program("tools/bench/bare_event_writer.exe"),
            program("tools/bench/bare_dialog.exe"),
            program("tools/bench/bare_panel_dialog.exe"),
            program("tools/bench/bare_line_dialog.exe")};
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
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: bench_driver REPORT X64_BUILD [X86_BUILD]\n");
        return 2;
    }
    const std::wstring reportPath = UnixToWindowsPath(Narrow(argv[1]));
    std::vector<Programs> builds{ProgramsIn("x64", argv[2])};
    if (argc == 4)
        builds.push_back(ProgramsIn("x86 (the XP exe)", argv[3]));

    ComDevices devices;  // Search finds COM3 as a driver would leave it registered
    devices.Add(L"0003", L"Communications Port (COM3)", L"Communications Port");

    Report report;
    report.Line("Quorvex benchmarks under Wine %s; each figure against its floors, same run, each exe", WineVersion());
    report.Line("against floors built for its own architecture. Targets: within 1.2x of the floor that does the");
    report.Line("panel's work in bare Win32; the lowest floors show what that work itself costs.");
    if (builds.size() == 1)
        report.Line("The x86 exe is not measured: this machine cannot run 32-bit programs.");
    report.Line("");
    // QUORVEX_BENCH_FIGURES="46" measures figures 4 and 6 only; all of them by default.
    wchar_t only[16] = {};
    ::GetEnvironmentVariableW(L"QUORVEX_BENCH_FIGURES", only, 16);
    using Figure = void (*)(const std::vector<Programs>&, Report&);
    const Figure figures[] = {LatencyFigure, StartupFigure, FootprintFigure, ExitFigure, ReconnectFigure, BurstFigure};
    for (size_t n = 0; n < std::size(figures); ++n) {
        if (*only && !std::wcschr(only, static_cast<wchar_t>(L'1' + n)))
            continue;
        figures[n](builds, report);
        report.Line("");
    }
    return WriteFileText(reportPath, report.Text()) ? 0 : 1;
}
