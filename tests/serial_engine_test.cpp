// The serial engine over the virtual cable: COM3 is wired to COM13, COM12 to COM22.
#include "ImportSlot.h"
#include "OverlappedCheck.h"
#include "PeerPort.h"
#include "Stopwatch.h"
#include "Threads.h"
#include "Wait.h"
#include "doctest.h"
#include "framework/App.h"
#include "serial/PortMessages.h"
#include "serial/SerialPort.h"

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace {

CWinApp testApp;  // the worker posts its failures to the application's main window

struct Notification {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    LONG wake;  // notifications of one worker wake-up share it
};

// A hidden window that records the engine's notifications.
class RecordingOwner : public CWnd {
public:
    RecordingOwner() {
        SubclassWindow(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    }
    ~RecordingOwner() override {
        HWND hwnd = UnsubclassWindow();
        ::DestroyWindow(hwnd);
    }
    std::vector<Notification> received;

    std::vector<BYTE> BytesReceived() const {
        std::vector<BYTE> bytes;
        for (const Notification& n : received)
            if (n.message == WM_PORT_BYTE)
                bytes.push_back(static_cast<BYTE>(n.wParam));
        return bytes;
    }
    int Count(UINT message) const {
        int count = 0;
        for (const Notification& n : received)
            count += n.message == message;
        return count;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message > WM_USER && message <= WM_PORT_IO_FAILED) {
            received.push_back({message, wParam, lParam, OverlappedCheck::LineWaitsStarted()});
            return 1;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

constexpr DWORD kMask = EV_RXCHAR | EV_RXFLAG;

bool Open(CSerialPort& engine, CWnd& owner, UINT port, DWORD mask = kMask) {
    return engine.OpenPort(&owner, port, 9600, L'N', 8, 1, mask) != FALSE;
}

// Returns the worker's thread ID, read while its thread object surely exists.
DWORD StartWorker(CSerialPort& engine) {
    engine.workerThread = AfxBeginThread(&CSerialPort::PortWorker, &engine);
    return engine.workerThread->m_nThreadID;
}

// Returns once the worker waits for line events. It purges the port as it starts: what the device
// sent before then is lost.
void StartListeningWorker(CSerialPort& engine) {
    const LONG before = OverlappedCheck::LineWaitsStarted();
    StartWorker(engine);
    REQUIRE(WaitUntil([&] { return OverlappedCheck::LineWaitsStarted() != before; }));
}

void Place(CSerialPort& engine, const Bytes& frame) {
    REQUIRE(engine.PlaceFrame(frame.data(), static_cast<DWORD>(frame.size())));
}

// A handle of the worker's thread of its own, taken while its thread object surely exists.
HANDLE StartWorkerHandle(CSerialPort& engine) {
    engine.workerThread = AfxBeginThread(&CSerialPort::PortWorker, &engine);
    HANDLE thread = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), engine.workerThread->m_hThread, ::GetCurrentProcess(), &thread,
                      SYNCHRONIZE | THREAD_TERMINATE, FALSE, 0);
    return thread;
}

// Wine does not enforce a port's share mode: a second handle sees the same line.
struct SecondHandle {
    explicit SecondHandle(int port) {
        wchar_t path[32];
        swprintf(path, 32, L"\\\\.\\COM%d", port);
        handle = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    }
    ~SecondHandle() {
        if (handle != INVALID_HANDLE_VALUE)
            ::CloseHandle(handle);
    }
    DWORD InputQueued() const {
        DWORD errors = 0;
        COMSTAT status{};
        ::ClearCommError(handle, &errors, &status);
        return status.cbInQue;
    }
    HANDLE handle;
};

DWORD WINAPI DestroyAnIdleEngine(LPVOID) {
    CSerialPort idle;
    return 0;
}

struct Flood {
    PeerPort* peer;
    volatile LONG stop;
};

DWORD WINAPI FloodLine(LPVOID param) {
    auto* flood = static_cast<Flood*>(param);
    const Bytes chunk(64, 'x');
    while (!flood->stop)
        flood->peer->Write(chunk);
    return 0;
}

// A press made at the moment the worker resets writeEvent, from a thread of its own, as the UI
// thread would. The worker's own thread waits a while for it: a press that can land then lands.
struct PressAtReset {
    static inline decltype(&::ResetEvent) realResetEvent = nullptr;
    static inline HANDLE armedFor = nullptr;  // the writeEvent to watch; taken by the first reset
    static inline CSerialPort* engine = nullptr;
    static inline Bytes frame;
    static inline HANDLE pressNow = nullptr;
    static inline HANDLE pressed = nullptr;

    static BOOL WINAPI ResetThenPress(HANDLE event) {
        const BOOL result = realResetEvent(event);
        if (event && ::InterlockedCompareExchangePointer(&armedFor, nullptr, event) == event) {
            ::SetEvent(pressNow);
            ::WaitForSingleObject(pressed, 500);
        }
        return result;
    }
    static DWORD WINAPI Presser(LPVOID) {
        ::WaitForSingleObject(pressNow, INFINITE);
        engine->PlaceFrame(frame.data(), static_cast<DWORD>(frame.size()));
        ::SetEvent(pressed);
        return 0;
    }
};

// Holds a newly started thread just after it told its starter that it runs, before its
// procedure's first line, and notes whether the engine was destroyed meanwhile.
struct HoldNewThread {
    static inline decltype(&::SetEvent) realSetEvent = nullptr;
    static inline DWORD starter = 0;  // armed while not 0: the thread whose calls are not held
    static inline HANDLE engineGone = nullptr;
    static inline volatile LONG goneWhileHeld = 0;

    static BOOL WINAPI SetThenHold(HANDLE event) {
        const BOOL result = realSetEvent(event);
        const DWORD armed = starter;
        if (armed && ::GetCurrentThreadId() != armed &&
            ::InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(&starter), 0, static_cast<LONG>(armed)) ==
                static_cast<LONG>(armed))
            goneWhileHeld = ::WaitForSingleObject(engineGone, 300) == WAIT_OBJECT_0;
        return result;
    }
};

// Every case that runs an engine ends with the overlapped check: no record, and no event, was given
// to a new operation while an earlier one on it might still be pending.
struct EngineCase {
    EngineCase() { REQUIRE(OverlappedCheck::Install()); }
    ~EngineCase() {
        const OverlappedCheck::Findings found = OverlappedCheck::Take();
        CHECK_MESSAGE(found.count == 0, found.count << " overlapped records shared:\n" << found.first);
    }
    EngineCase(const EngineCase&) = delete;
    EngineCase& operator=(const EngineCase&) = delete;
};

}  // namespace

TEST_CASE_FIXTURE(EngineCase,
                  "a frame placed in the write buffer arrives byte-exact at the far end, while the device talks") {
    RecordingOwner owner;
    for (auto [port, peerPort] : {std::pair{3, 13}, std::pair{12, 22}}) {
        CAPTURE(port);
        PeerPort peer(peerPort);
        REQUIRE(peer.IsOpen());
        CSerialPort engine;
        REQUIRE(Open(engine, owner, static_cast<UINT>(port)));
        StartWorker(engine);
        for (const char* code : {"EF", "DE", "C0"}) {
            // The device's answer reaches the worker as the frame goes out.
            REQUIRE(peer.Write({'O', 'K', '\n'}));
            Place(engine, Frame(code));
            CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame(code)));
        }
        CHECK(peer.ReadUntilQuiet(100).empty());
    }
}

TEST_CASE_FIXTURE(EngineCase, "the port runs 9600 8N1") {
    RecordingOwner owner;
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 3));
    SecondHandle line(3);
    REQUIRE(line.handle != INVALID_HANDLE_VALUE);
    DCB state{};
    state.DCBlength = sizeof(state);
    REQUIRE(::GetCommState(line.handle, &state));
    CHECK(state.BaudRate == 9600);
    CHECK(state.ByteSize == 8);
    CHECK(state.Parity == NOPARITY);
    CHECK(state.StopBits == ONESTOPBIT);
}

TEST_CASE_FIXTURE(EngineCase, "OpenPort on a port that does not open fails and holds nothing; the next open succeeds") {
    RecordingOwner owner;
    CSerialPort engine;
    CHECK_FALSE(Open(engine, owner, 19));  // no such port (COM17 is the far end of COM16)
    CHECK_FALSE(Open(engine, owner, 0));
    CHECK_FALSE(Open(engine, owner, 6));  // held by another program
    PeerPort peer(13);
    REQUIRE(Open(engine, owner, 3));
    StartWorker(engine);
    Place(engine, Frame("EF"));
    CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("EF")));
}

TEST_CASE_FIXTURE(EngineCase,
                  "each wake-up reports the waiting bytes one WM_PORT_BYTE each, then one WM_PORT_EVENT_CHAR") {
    RecordingOwner owner;
    PeerPort peer(13);
    {
        CSerialPort engine;
        REQUIRE(Open(engine, owner, 3));
        StartListeningWorker(engine);
        REQUIRE(peer.Write({'h', 'e', 'l', 'l', 'o', 'q', 0x00, 0xFF, 0x47}));
        REQUIRE(WaitUntil([&] { return owner.BytesReceived().size() >= 9; }));
    }  // the worker ends the wake-up it is in before it stops

    CHECK(Hex(owner.BytesReceived()) == "68 65 6C 6C 6F 71 00 FF 47");
    // Wine wakes the worker many times a second with nothing to read; every wake-up, with bytes or
    // without, must read as: its bytes, then exactly one WM_PORT_EVENT_CHAR.
    const std::vector<Notification>& all = owner.received;
    for (size_t first = 0, end = 0; first < all.size(); first = end) {
        while (end < all.size() && all[end].wake == all[first].wake)
            ++end;
        std::string shape;
        for (size_t i = first; i < end; ++i)
            shape += all[i].message == WM_PORT_BYTE ? 'B' : all[i].message == WM_PORT_EVENT_CHAR ? 'E' : '?';
        CAPTURE(shape);
        CHECK(shape == std::string(shape.size() - 1, 'B') + 'E');
        if (shape.back() != 'E')
            break;
    }
    for (const Notification& n : all)
        CHECK(n.lParam == 3);
}

TEST_CASE_FIXTURE(EngineCase, "every write first discards input not yet read") {
    RecordingOwner owner;
    PeerPort peer(13);
    CSerialPort engine;
    // No line events: received bytes stay queued until a write purges them.
    REQUIRE(Open(engine, owner, 3, 0));
    StartListeningWorker(engine);
    SecondHandle line(3);
    REQUIRE(peer.Write({'a', 'b', 'c'}));
    REQUIRE(WaitUntil([&] { return line.InputQueued() == 3; }));
    Place(engine, Frame("EF"));
    CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("EF")));
    CHECK(line.InputQueued() == 0);
    CHECK(owner.BytesReceived().empty());
}

TEST_CASE_FIXTURE(EngineCase, "a second OpenPort stops the running worker first, and reuses the events") {
    RecordingOwner owner;
    PeerPort peer(13);
    const int baseline = CountOwnThreads();
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 3));
    HANDLE writeEvent = engine.writeEvent.get();
    HANDLE shutdownEvent = engine.shutdownEvent.get();
    const DWORD worker = StartWorker(engine);
    CHECK(ThreadRuns(worker));

    REQUIRE(Open(engine, owner, 3));
    CHECK(WaitUntil([&] { return !ThreadRuns(worker) && CountOwnThreads() == baseline; }));
    CHECK(engine.writeEvent.get() == writeEvent);
    CHECK(engine.shutdownEvent.get() == shutdownEvent);
    CHECK(::WaitForSingleObject(shutdownEvent, 0) == WAIT_TIMEOUT);  // reset for the next worker

    StartWorker(engine);
    Place(engine, Frame("DF"));
    CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("DF")));
}

TEST_CASE_FIXTURE(EngineCase,
                  "destroying the engine while its worker runs ends the worker before the destructor returns") {
    RecordingOwner owner;
    PeerPort peer(13);
    HANDLE worker = nullptr;
    {
        CSerialPort engine;
        REQUIRE(Open(engine, owner, 3));
        const LONG before = OverlappedCheck::LineWaitsStarted();
        worker = StartWorkerHandle(engine);
        REQUIRE(worker != nullptr);
        REQUIRE(WaitUntil([&] { return OverlappedCheck::LineWaitsStarted() != before; }));
        // The worker hands each byte to this thread and waits for it: it cannot end by itself
        // while this thread does not answer.
        REQUIRE(peer.Write(Bytes(2048, 'x')));
        REQUIRE(WaitUntil([&] { return owner.received.size() > 10; }));
    }
    // Not a message answered from here on: a worker still running now would stay in SendMessage.
    CHECK(::WaitForSingleObject(worker, 1000) == WAIT_OBJECT_0);
    ::CloseHandle(worker);

    SUBCASE("an idle engine holds nothing, and its destruction closes nothing and waits for nothing") {
        // On a thread of its own, so that a destructor waiting for a worker never started fails here in
        // seconds. The thread's handle is taken before the count starts.
        HANDLE thread = ::CreateThread(nullptr, 0, &DestroyAnIdleEngine, nullptr, CREATE_SUSPENDED, nullptr);
        REQUIRE(thread != nullptr);
        const UINT_PTR next = NextHandleValue();
        ::ResumeThread(thread);
        CHECK(::WaitForSingleObject(thread, 2000) == WAIT_OBJECT_0);
        CHECK(NextHandleValue() == next);
        ::CloseHandle(thread);
    }
}

TEST_CASE_FIXTURE(EngineCase, "a write length past the buffer is refused and reported, never sent") {
    RecordingOwner owner;
    testApp.m_pMainWnd = &owner;
    PeerPort peer(13);
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 3));
    StartWorker(engine);
    {
        ScopedLock<CCriticalSection> lock(engine.ioLock);
        engine.writeLength = CSerialPort::kWriteBufferBytes + 1;
    }
    ::SetEvent(engine.writeEvent.get());
    CHECK(WaitUntil([&] { return owner.Count(WM_PORT_IO_FAILED) == 1; }));
    CHECK(peer.ReadUntilQuiet(200).empty());
    testApp.m_pMainWnd = nullptr;
}

TEST_CASE_FIXTURE(EngineCase, "stopping while the device floods the line never deadlocks") {
    RecordingOwner owner;
    PeerPort peer(13);
    // The flood comes from a thread of its own, so this thread is free to be stopped in.
    Flood flood{&peer, 0};
    HANDLE writer = ::CreateThread(nullptr, 0, &FloodLine, &flood, 0, nullptr);
    REQUIRE(writer != nullptr);

    const int baseline = CountOwnThreads();
    for (int round = 0; round < 100; ++round) {
        CAPTURE(round);
        CSerialPort engine;
        REQUIRE(Open(engine, owner, 3));
        StartWorker(engine);
        const size_t before = owner.received.size();
        // Stop only once the worker is busy reporting bytes to this thread.
        REQUIRE(WaitUntil([&] { return owner.received.size() > before + 10; }));
        if (round % 2)
            REQUIRE(Open(engine, owner, 3));  // restart stops the worker first
    }                                         // the destructor stops it otherwise
    CHECK(WaitUntil([&] { return CountOwnThreads() == baseline; }));
    flood.stop = 1;
    ::WaitForSingleObject(writer, 5000);
    ::CloseHandle(writer);
}

TEST_CASE_FIXTURE(EngineCase, "200 open, start and stop cycles leave no thread or handle behind") {
    RecordingOwner owner;
    PeerPort peer(13);
    const int threads = CountOwnThreads();
    UINT_PTR handles = 0;
    CSerialPort engine;
    for (int cycle = 0; cycle < 200; ++cycle) {
        REQUIRE(Open(engine, owner, 3));
        StartWorker(engine);
        if (cycle == 0) {
            Place(engine, Frame("EF"));
            REQUIRE(peer.Read(5, 3000).size() == 5);
        }
        ::SetEvent(engine.shutdownEvent.get());
        if (cycle == 10)  // after the engine has made its events and the first threads are gone
            handles = NextHandleValue();
    }
    // The last stop stays set for the last worker. (A reopen here could reset it before that worker
    // marks itself alive, when it has only just been started: it would then serve the new port.)
    CHECK_MESSAGE(WaitUntil([&] { return CountOwnThreads() == threads; }),
                  "threads: " << CountOwnThreads() << ", at the start " << threads);
    // A leak per cycle would show as 190 handles and more; allow for a few of Wine's own.
    CHECK(NextHandleValue() <= handles + 8 * sizeof(HANDLE));
}

TEST_CASE_FIXTURE(EngineCase, "a press made as the worker takes the previous frame goes out once, after it") {
    RecordingOwner owner;
    PeerPort peer(13);
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 3));
    StartListeningWorker(engine);
    REQUIRE(WrapImport("kernel32.dll", "ResetEvent", &PressAtReset::ResetThenPress, &PressAtReset::realResetEvent));
    CHandle pressNow(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CHandle pressed(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    PressAtReset::engine = &engine;
    PressAtReset::frame = Frame("DE");  // standby toggles: twice is as wrong as never
    PressAtReset::pressNow = pressNow.get();
    PressAtReset::pressed = pressed.get();
    HANDLE presser = ::CreateThread(nullptr, 0, &PressAtReset::Presser, nullptr, 0, nullptr);
    REQUIRE(presser != nullptr);
    PressAtReset::armedFor = engine.writeEvent.get();

    Place(engine, Frame("EF"));
    CHECK(::WaitForSingleObject(presser, 5000) == WAIT_OBJECT_0);
    ::CloseHandle(presser);
    CHECK(::InterlockedExchangePointer(&PressAtReset::armedFor, nullptr) == nullptr);  // the press was made
    // DE once, after EF; only then the last press, so that it cannot replace DE before the worker took it.
    Bytes expected = Frame("EF");
    const Bytes standby = Frame("DE");
    expected.insert(expected.end(), standby.begin(), standby.end());
    CHECK(Hex(peer.Read(expected.size(), 3000)) == Hex(expected));
    Place(engine, Frame("DF"));
    CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("DF")));
    CHECK(peer.ReadUntilQuiet(100).empty());
}

// Notes every transmit purge the engine makes once armed: after the worker has started, the only
// purges are those before its writes, and a transmit purge then can only drop a frame already written.
// (A pty passes written bytes on within microseconds, so the loss itself shows only now and then.)
struct TransmitPurges {
    static inline decltype(&::PurgeComm) realPurgeComm = nullptr;
    static inline volatile LONG armed = 0;
    static inline volatile LONG seen = 0;
    static inline volatile LONG purges = 0;

    static BOOL WINAPI Noted(HANDLE file, DWORD actions) {
        if (armed) {
            ::InterlockedIncrement(&purges);
            if (actions & (PURGE_TXABORT | PURGE_TXCLEAR))
                ::InterlockedIncrement(&seen);
        }
        return realPurgeComm(file, actions);
    }
};

TEST_CASE_FIXTURE(EngineCase, "a frame once written goes out whole: a press right after it purges only the input") {
    REQUIRE(WrapImport("kernel32.dll", "PurgeComm", &TransmitPurges::Noted, &TransmitPurges::realPurgeComm));
    RecordingOwner owner;
    PeerPort peer(13);
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 3));
    StartListeningWorker(engine);
    TransmitPurges::purges = 0;
    TransmitPurges::seen = 0;
    TransmitPurges::armed = 1;
    Bytes expected;
    for (const char* code : {"EF", "DE", "C0", "DF"}) {
        Place(engine, Frame(code));
        // The next press as soon as the worker has taken this one: its write has just been made.
        REQUIRE(WaitUntil([&] { return ::WaitForSingleObject(engine.writeEvent.get(), 0) == WAIT_TIMEOUT; }));
        const Bytes frame = Frame(code);
        expected.insert(expected.end(), frame.begin(), frame.end());
    }
    CHECK(Hex(peer.Read(expected.size(), 3000)) == Hex(expected));
    TransmitPurges::armed = 0;
    CHECK(TransmitPurges::purges >= 4);  // one before each write
    CHECK(TransmitPurges::seen == 0);
}

TEST_CASE_FIXTURE(EngineCase, "destroying the engine before its new worker's first step waits for that worker") {
    RecordingOwner owner;
    REQUIRE(WrapImport("kernel32.dll", "SetEvent", &HoldNewThread::SetThenHold, &HoldNewThread::realSetEvent));
    CHandle engineGone(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HoldNewThread::engineGone = engineGone.get();
    HoldNewThread::goneWhileHeld = 0;
    // The engine's memory outlives it: a worker that runs on after it must not bring the test down.
    alignas(CSerialPort) static unsigned char storage[sizeof(CSerialPort)];
    auto* engine = new (storage) CSerialPort;
    REQUIRE(Open(*engine, owner, 3));
    HoldNewThread::starter = ::GetCurrentThreadId();
    HANDLE worker = StartWorkerHandle(*engine);
    REQUIRE(worker != nullptr);
    engine->~CSerialPort();
    ::SetEvent(engineGone.get());

    CHECK(HoldNewThread::goneWhileHeld == 0);
    const bool ended = ::WaitForSingleObject(worker, 3000) == WAIT_OBJECT_0;
    CHECK(ended);
    if (!ended)
        ::TerminateThread(worker, 1);  // it runs on a destroyed engine
    ::CloseHandle(worker);
}

TEST_CASE_FIXTURE(EngineCase, "a press made while the worker reports a burst of received bytes is taken at once") {
    RecordingOwner owner;
    PeerPort peer(13);
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 3));
    StartListeningWorker(engine);
    REQUIRE(peer.Write(Bytes(4000, 'x')));
    REQUIRE(WaitUntil([&] { return owner.BytesReceived().size() >= 10; }));
    // The worker is in the middle of the burst, waiting for this thread to take the next byte.
    const size_t reportedByThePress = owner.BytesReceived().size();
    Place(engine, Frame("DF"));
    CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("DF")));
    // The byte it was handing over, then the frame; the write purged the rest of the burst.
    CHECK(owner.BytesReceived().size() <= reportedByThePress + 2);
}

// Makes the engine's SetCommMask(port, 0) at its stop fail, or do nothing, as a driver of a removed
// adapter may: under Wine, CancelIo does not end the pending wait either.
struct StopMaskIgnored {
    static inline decltype(&::SetCommMask) realSetCommMask = nullptr;
    static inline volatile LONG armed = 0;
    static inline BOOL answer = FALSE;

    static BOOL WINAPI Ignored(HANDLE port, DWORD mask) {
        if (armed && mask == 0)
            return answer;
        return realSetCommMask(port, mask);
    }
};

TEST_CASE_FIXTURE(EngineCase,
                  "a stop whose line-event wait will not end still comes back; its port is in use until that wait "
                  "ends, then Connect works") {
    REQUIRE(WrapImport("kernel32.dll", "SetCommMask", &StopMaskIgnored::Ignored, &StopMaskIgnored::realSetCommMask));
    RecordingOwner owner;
    PeerPort peer(13);
    for (BOOL answer : {FALSE, TRUE}) {
        CAPTURE(answer);
        StopMaskIgnored::answer = answer;
        // Disconnect, then Connect: the new open waits for the old worker.
        {
            CSerialPort engine;
            REQUIRE(Open(engine, owner, 3));
            StartListeningWorker(engine);
            StopMaskIgnored::armed = 1;
            ::SetEvent(engine.shutdownEvent.get());
            // The old wait still holds COM3: Connect fails, as on a port another program holds.
            CHECK_FALSE(Open(engine, owner, 3));
            CHECK(Open(engine, owner, 12));
            StopMaskIgnored::armed = 0;
            // It ends on an event it still watches for: the device sends a byte. Then COM3 is free.
            REQUIRE(peer.Write(Bytes{'x'}));
            CHECK(WaitUntil([&] { return Open(engine, owner, 3); }, 3000));
            StartWorker(engine);
            Place(engine, Frame("DF"));
            CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("DF")));
        }
        // Closing: the destructor waits for the worker.
        HANDLE worker = nullptr;
        {
            CSerialPort engine;
            REQUIRE(Open(engine, owner, 3));
            const LONG before = OverlappedCheck::LineWaitsStarted();
            worker = StartWorkerHandle(engine);
            REQUIRE(WaitUntil([&] { return OverlappedCheck::LineWaitsStarted() != before; }));
            StopMaskIgnored::armed = 1;
        }
        StopMaskIgnored::armed = 0;
        CHECK(::WaitForSingleObject(worker, 5000) == WAIT_OBJECT_0);
        ::CloseHandle(worker);
    }
    // The waits left running hold their ports open until this process ends; nothing was freed under them.
}

TEST_CASE("the overlapped check catches a record, or its event, reused while an operation on it is pending") {
    REQUIRE(OverlappedCheck::Install());
    OverlappedCheck::Take();
    HANDLE opened = ::CreateFileW(L"\\\\.\\COM4", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OVERLAPPED, nullptr);
    REQUIRE(opened != INVALID_HANDLE_VALUE);
    CHandle port(opened);
    COMMTIMEOUTS slow{0, 0, 5000, 0, 1000};
    REQUIRE(::SetCommTimeouts(port.get(), &slow));
    ::PurgeComm(port.get(), PURGE_RXABORT | PURGE_RXCLEAR);
    CHandle done(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED reading{};
    reading.hEvent = done.get();
    BYTE byte = 0;
    // Nothing comes on this line: the read stays pending for its 5 s.
    REQUIRE_FALSE(::ReadFile(port.get(), &byte, 1, nullptr, &reading));
    REQUIRE(::GetLastError() == ERROR_IO_PENDING);

    // The second operations go to no file: they fail at once and leave the read alone.
    const BYTE frame[] = {'G', 'E', 'F', 'g', '\n'};
    OVERLAPPED sameEvent{};
    sameEvent.hEvent = done.get();
    ::WriteFile(nullptr, frame, sizeof(frame), nullptr, &reading);
    ::WriteFile(nullptr, frame, sizeof(frame), nullptr, &sameEvent);
    DWORD got = 0;
    ::GetOverlappedResult(port.get(), &sameEvent, &got, FALSE);

    // A wait that fails at once never ran: its record is free again, though the system marked it
    // pending before it failed (a second wait on a line whose last one is still winding down fails so,
    // with ERROR_INVALID_PARAMETER).
    CHandle idle(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED waiting{};
    waiting.hEvent = idle.get();
    DWORD events = 0;
    for (int again = 0; again < 2; ++again) {
        waiting.Internal = STATUS_PENDING;
        CHECK_FALSE(::WaitCommEvent(nullptr, &events, &waiting));
        CHECK(::GetLastError() != ERROR_IO_PENDING);
    }

    // An operation whose outcome GetOverlappedResult gave is over, though its record may still read
    // pending for a while under Wine: its record is free again too.
    wchar_t folder[MAX_PATH];
    wchar_t scratch[MAX_PATH];
    REQUIRE(::GetTempPathW(MAX_PATH, folder) != 0);
    REQUIRE(::GetTempFileNameW(folder, L"ovl", 0, scratch) != 0);
    CHandle file(::CreateFileW(scratch, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_FLAG_OVERLAPPED | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    REQUIRE(file.get() != INVALID_HANDLE_VALUE);
    CHandle written(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    OVERLAPPED writing{};
    writing.hEvent = written.get();
    for (int again = 0; again < 2; ++again) {
        if (!::WriteFile(file.get(), frame, sizeof(frame), nullptr, &writing))
            REQUIRE(::GetLastError() == ERROR_IO_PENDING);
        REQUIRE(::GetOverlappedResult(file.get(), &writing, &got, TRUE));
        writing.Internal = STATUS_PENDING;
    }

    // Closing the port under the read ends it (and is the fourth finding).
    port.Close();
    CHECK(WaitUntil([&] { return HasOverlappedIoCompleted(&reading); }, 6000));
    const OverlappedCheck::Findings found = OverlappedCheck::Take();
    CAPTURE(found.first);
    CHECK(found.count == 4);
}

TEST_CASE_FIXTURE(EngineCase,
                  "two frames placed 1 ms apart on a paced line both go out whole, in order, at its speed") {
    RecordingOwner owner;
    PeerPort peer(24);  // the far end of COM23, on the bench's paced cable: 960 bytes a second at 9600 8N1
    REQUIRE(peer.IsOpen());
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 23));
    StartListeningWorker(engine);
    const Stopwatch sinceFirstPress;
    Place(engine, Frame("EF"));
    // The second press once the worker has taken the first: the first frame is still on the line.
    REQUIRE(WaitUntil([&] {
        return ::WaitForSingleObject(engine.writeEvent.get(), 0) == WAIT_TIMEOUT && sinceFirstPress.Ms() >= 1.0;
    }));
    Place(engine, Frame("DE"));
    Bytes expected = Frame("EF");
    const Bytes standby = Frame("DE");
    expected.insert(expected.end(), standby.begin(), standby.end());
    CHECK(Hex(peer.Read(expected.size(), 3000)) == Hex(expected));
    // Ten bytes take 10.4 ms on the line; a slow machine only adds to that.
    CHECK(sinceFirstPress.Ms() >= 9.0);
    CHECK(peer.ReadUntilQuiet(100).empty());
}
