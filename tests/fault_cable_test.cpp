// The cable pulled out while connected, and put back: the shipped program on the fault tests' own
// cable (COM8 <-> COM28), whose socat is ended under it and then laid again.
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

TEST_CASE("the engine on a pulled cable reports the failure and then waits quietly for Disconnect") {
    REQUIRE(OverlappedCheck::Install());  // for its count of line-event waits
    FaultCable cable;
    REQUIRE(cable.IsLaid());
    CountingOwner owner;
    testApp.m_pMainWnd = &owner;
    CSerialPort engine;
    const LONG lineWaitsBefore = OverlappedCheck::LineWaitsStarted();
    REQUIRE(engine.OpenPort(&owner, FaultCable::kPanelPort, 9600, L'N', 8, 1, EV_RXCHAR | EV_RXFLAG));
    engine.workerThread = AfxBeginThread(&CSerialPort::PortWorker, &engine);
    const DWORD worker = engine.workerThread->m_nThreadID;
    // The cable is pulled from under a worker that waits on the line.
    REQUIRE(WaitUntil([&] { return OverlappedCheck::LineWaitsStarted() > lineWaitsBefore; }, 3000));

    const int beforeCut = owner.Total();
    REQUIRE(cable.Cut());
    CHECK(WaitUntil([&] { return owner.Count(WM_PORT_IO_FAILED) > 0; }, 3000));
    // Then nothing more: a worker that goes on waking on the dead line notifies again within
    // milliseconds. Counted from the cut, as the report may have come while Cut ran.
    CHECK_FALSE(WaitUntil([&] { return owner.Total() > beforeCut + 1; }, 1000));
    MESSAGE("notifications since the cable was pulled: " << owner.Total() - beforeCut << ", WM_PORT_IO_FAILED "
                                                         << owner.Count(WM_PORT_IO_FAILED));
    CHECK(owner.Count(WM_PORT_IO_FAILED) == 1);

    ::SetEvent(engine.shutdownEvent.get());
    CHECK(WaitUntil([&] { return !ThreadRuns(worker); }, 2000));
    testApp.m_pMainWnd = nullptr;
}
