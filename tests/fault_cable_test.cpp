// The cable pulled out while connected, and put back: the shipped program on the fault tests' own
// cable (COM8 <-> COM28), whose socat is ended under it and then laid again.
#include "ImportSlot.h"
#include "OverlappedCheck.h"
#include "Panel.h"
#include "Stopwatch.h"
#include "PeerPort.h"
#include "Threads.h"
#include "Wait.h"
#include "doctest.h"
#include "fault_support/FaultBench.h"
#include "fault_support/IoFailedWatch.h"
#include "framework/App.h"
#include "helpers/ComDevices.h"
#include "serial/PortMessages.h"
#include "serial/SerialPort.h"

#include <algorithm>

namespace {

CWinApp testApp;  // the worker posts its failures to the application's main window

// A hidden window that counts the engine's notifications by message.
class CountingOwner : public CWnd {
public:
    CountingOwner() {
        SubclassWindow(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    }
    ~CountingOwner() override {
        HWND hwnd = UnsubclassWindow();
        ::DestroyWindow(hwnd);
    }
    int Count(UINT message) const { return counts[message - WM_USER]; }
    int Total() const {
        int total = 0;
        for (int count : counts)
            total += count;
        return total;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message > WM_USER && message <= WM_PORT_IO_FAILED) {
            ++counts[message - WM_USER];
            return 1;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

private:
    int counts[101] = {};
};

struct Watched {
    double cpuShare;  // of one core
    double slowestAnswerMs;
};

// Watches the panel for a while: the share of a core its process burns, and its slowest answer to
// WM_NULL.
Watched Watch(const PanelProcess& panel, const UnixView& process, DWORD ms) {
    const double cpuBefore = process.CpuMs();
    const DWORD start = ::GetTickCount();
    double slowest = 0;
    while (::GetTickCount() - start < ms) {
        slowest = std::max(slowest, ResponseMs(panel.Window(), 2000));
        WaitUntil([] { return false; }, 20);
    }
    const double elapsed = static_cast<double>(::GetTickCount() - start);
    return {(process.CpuMs() - cpuBefore) / elapsed, slowest};
}

void Connect(const PanelProcess& panel) {
    panel.Click(1002);
    REQUIRE(panel.Text(1002) == L"Disconnect");
}

// A driver that will not take the line's settings on the worker's opens (a reopen after a pull),
// while refusing; when each of those opens was made.
struct ReopenSettingsRefused {
    static inline decltype(&::CreateFileW) realCreateFileW = nullptr;
    static inline decltype(&::SetCommTimeouts) realSetCommTimeouts = nullptr;
    static inline DWORD worker = 0;
    static inline volatile LONG refusing = 0;
    static constexpr LONG kKept = 64;
    static inline DWORD opensAt[kKept] = {};  // each written by the worker before `opens` counts it
    static inline volatile LONG opens = 0;

    static HANDLE WINAPI CreateFileW(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                     DWORD disposition, DWORD flags, HANDLE model) {
        if (::GetCurrentThreadId() == worker && refusing && opens < kKept) {
            opensAt[opens] = ::GetTickCount();
            ::InterlockedIncrement(&opens);
        }
        return realCreateFileW(path, access, share, security, disposition, flags, model);
    }
    static BOOL WINAPI SetCommTimeouts(HANDLE port, LPCOMMTIMEOUTS timeouts) {
        if (::GetCurrentThreadId() == worker && refusing) {
            ::SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        return realSetCommTimeouts(port, timeouts);
    }
};

// The engine connected on the fault tests' cable, its worker waiting on the line; stopped and
// collected when the object goes.
struct EngineOnFaultCable {
    EngineOnFaultCable() {
        REQUIRE(OverlappedCheck::Install());  // for its count of line-event waits
        REQUIRE(cable.IsLaid());
        testApp.m_pMainWnd = &owner;
        const LONG lineWaitsBefore = OverlappedCheck::LineWaitsStarted();
        REQUIRE(engine.OpenPort(&owner, FaultCable::kPanelPort, 9600, L'N', 8, 1, EV_RXCHAR | EV_RXFLAG));
        engine.workerThread = AfxBeginThread(&CSerialPort::PortWorker, &engine);
        worker = engine.workerThread->m_nThreadID;
        REQUIRE(WaitUntil([&] { return OverlappedCheck::LineWaitsStarted() > lineWaitsBefore; }, 3000));
    }
    ~EngineOnFaultCable() { testApp.m_pMainWnd = nullptr; }
    EngineOnFaultCable(const EngineOnFaultCable&) = delete;
    EngineOnFaultCable& operator=(const EngineOnFaultCable&) = delete;

    // True once the worker has ended.
    bool Stop() {
        ::SetEvent(engine.shutdownEvent.get());
        return WaitUntil([&] { return !ThreadRuns(worker); }, 3000);
    }

    FaultCable cable;
    CountingOwner owner;
    CSerialPort engine;
    DWORD worker = 0;
};

}  // namespace

TEST_CASE("the cable pulled out while connected: no spin, no hang; once it is back the panel uses it again") {
    FaultCable cable;
    REQUIRE(cable.IsLaid());
    ComDevices devices;
    devices.Add(L"0008", L"USB Serial Port (COM8)", L"USB Serial Port", L"USB 1-1");
    PanelProcess panel;
    REQUIRE(panel.Window() != nullptr);
    const UnixView process("Quorvex.exe");
    REQUIRE(process.Found());
    const int idleThreads = CountThreadsOf(panel.ProcessId());
    panel.Click(1000);
    panel.SelectPort(L"COM8");
    {
        PeerPort device(FaultCable::kDevicePort);
        REQUIRE(device.IsOpen());
        Connect(panel);
        panel.Click(1003);
        REQUIRE(Hex(device.Read(5, 3000)) == Hex(Frame("EF")));
        const Watched connected = Watch(panel, process, 3000);
        MESSAGE("connected, line quiet: CPU " << connected.cpuShare * 100 << "% of a core, slowest WM_NULL "
                                              << connected.slowestAnswerMs << " ms");
    }

    IoFailedWatch reports(panel.Window());
    REQUIRE(reports.IsWatching());
    REQUIRE(cable.Cut());
    const Watched pulled = Watch(panel, process, 3000);
    const int reportsOfTheCut = reports.Take(0);
    MESSAGE("cable pulled: CPU " << pulled.cpuShare * 100 << "% of a core, slowest WM_NULL " << pulled.slowestAnswerMs
                                 << " ms; WM_PORT_IO_FAILED at the main window: " << reportsOfTheCut);
    CHECK(reportsOfTheCut == 1);
    CHECK(pulled.cpuShare < 0.2);
    CHECK(pulled.slowestAnswerMs < 500);  // a window held by the worker answers in seconds
    // A press into the dead line is reported to the main window, once; the user sees nothing.
    panel.Click(1018);
    CHECK(reports.Take(3000) == 1);
    CHECK(reports.Take(300) == 0);
    CHECK(panel.FindWindowByCaption(L"Quorvex") == nullptr);
    CHECK(ResponseMs(panel.Window(), 2000) < 500);

    // Put back while still connected, on the same COM number (as Windows gives a re-plugged
    // adapter): the worker has the line again by itself, and a press reaches it; none of the presses
    // made while the line was away goes out later.
    REQUIRE(cable.Lay());
    {
        PeerPort device(FaultCable::kDevicePort);
        REQUIRE(device.IsOpen());
        const Stopwatch sinceLaid;
        Bytes got;
        CHECK(WaitUntil(
            [&] {
                panel.Click(1018);
                got = device.Read(5, 100);
                return !got.empty();
            },
            10000));
        MESSAGE("the cable back: first press on the line after " << sinceLaid.Ms() << " ms");
        CHECK(Hex(got) == Hex(Frame("DF")));
        CHECK(device.ReadUntilQuiet(300).empty());
        CHECK(panel.Text(1002) == L"Disconnect");
        CHECK(panel.FindWindowByCaption(L"Quorvex") == nullptr);
    }
    panel.Click(1002);
    CHECK(panel.Text(1002) == L"connect");
    CHECK(panel.Enabled(1000));
    CHECK(WaitUntil([&] { return CountThreadsOf(panel.ProcessId()) == idleThreads; }, 3000));

    REQUIRE(cable.Lay());
    PeerPort device(FaultCable::kDevicePort);
    REQUIRE(device.IsOpen());
    Connect(panel);
    for (auto [id, code] : {std::pair{1018, "DF"}, std::pair{1021, "C0"}}) {
        panel.Click(id);
        CHECK(Hex(device.Read(5, 3000)) == Hex(Frame(code)));
    }
    panel.Click(1002);
    CHECK(panel.Text(1002) == L"connect");
}

TEST_CASE_FIXTURE(EngineOnFaultCable,
                  "the engine on a pulled cable reports the failure and then waits quietly for Disconnect") {
    const int beforeCut = owner.Total();
    REQUIRE(cable.Cut());
    CHECK(WaitUntil([&] { return owner.Count(WM_PORT_IO_FAILED) > 0; }, 3000));
    // Then nothing more: a worker that goes on waking on the dead line notifies again within
    // milliseconds. Counted from the cut, as the report may have come while Cut ran.
    CHECK_FALSE(WaitUntil([&] { return owner.Total() > beforeCut + 1; }, 1000));
    MESSAGE("notifications since the cable was pulled: " << owner.Total() - beforeCut << ", WM_PORT_IO_FAILED "
                                                         << owner.Count(WM_PORT_IO_FAILED));
    CHECK(owner.Count(WM_PORT_IO_FAILED) == 1);
    CHECK(Stop());
}

TEST_CASE("a line back from a pull that will not take its settings is closed and tried again at the pace, unused") {
    REQUIRE(WrapImport("kernel32.dll", "CreateFileW", &ReopenSettingsRefused::CreateFileW,
                       &ReopenSettingsRefused::realCreateFileW));
    REQUIRE(WrapImport("kernel32.dll", "SetCommTimeouts", &ReopenSettingsRefused::SetCommTimeouts,
                       &ReopenSettingsRefused::realSetCommTimeouts));
    EngineOnFaultCable connected;
    ReopenSettingsRefused::worker = connected.worker;
    REQUIRE(connected.cable.Cut());
    REQUIRE(WaitUntil([&] { return connected.owner.Count(WM_PORT_IO_FAILED) > 0; }, 3000));

    ReopenSettingsRefused::refusing = 1;
    REQUIRE(connected.cable.Lay());
    const LONG opensAtLay = ReopenSettingsRefused::opens;
    const Bytes standby = Frame("DF");
    {
        PeerPort device(FaultCable::kDevicePort);
        REQUIRE(device.IsOpen());
        // Pressed all along: a line used without its settings passes a frame on.
        const auto press = [&] {
            return connected.engine.PlaceFrame(standby.data(), static_cast<DWORD>(standby.size()));
        };
        Bytes leaked;
        CHECK(WaitUntil(
            [&] {
                press();
                leaked = device.Read(5, 50);
                return !leaked.empty() || ReopenSettingsRefused::opens >= opensAtLay + 3;
            },
            10000));
        CHECK_MESSAGE(leaked.empty(), "a frame went out on a line without its settings: " << Hex(leaked));
        ReopenSettingsRefused::refusing = 0;
        // Once the settings take, the next try has the line, and a press reaches the device.
        Bytes got;
        CHECK(WaitUntil(
            [&] {
                press();
                got = device.Read(5, 100);
                return !got.empty();
            },
            10000));
        CHECK(Hex(got) == Hex(standby));
    }
    REQUIRE(connected.Stop());
    ReopenSettingsRefused::worker = 0;
    // Tried again and again at the pace: a try that did not wait its turn comes within milliseconds of
    // the one before; half the pace leaves room for a busy machine's delays inside a try.
    const LONG opens = ReopenSettingsRefused::opens;
    CHECK(opens >= opensAtLay + 3);
    for (LONG n = 1; n < opens; ++n) {
        CAPTURE(n);
        CHECK(ReopenSettingsRefused::opensAt[n] - ReopenSettingsRefused::opensAt[n - 1] >= 250);
    }
}
