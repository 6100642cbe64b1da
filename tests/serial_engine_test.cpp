// The serial engine over the virtual cable: COM3 is wired to COM13, COM12 to COM22.
#include "PeerPort.h"
#include "Threads.h"
#include "Wait.h"
#include "doctest.h"
#include "framework/App.h"
#include "serial/PortMessages.h"
#include "serial/SerialPort.h"

#include <cstring>
#include <vector>

namespace {

CWinApp testApp;  // the worker posts its failures to the application's main window

struct Notification {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
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
            received.push_back({message, wParam, lParam});
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

void Place(CSerialPort& engine, const Bytes& frame) {
    ScopedLock<CCriticalSection> lock(engine.ioLock);
    std::memcpy(engine.writeBuffer.get(), frame.data(), frame.size());
    engine.writeLength = static_cast<DWORD>(frame.size());
    ::SetEvent(engine.writeEvent.get());
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

}  // namespace

TEST_CASE("a frame placed in the write buffer arrives byte-exact at the far end") {
    RecordingOwner owner;
    for (auto [port, peerPort] : {std::pair{3, 13}, std::pair{12, 22}}) {
        CAPTURE(port);
        PeerPort peer(peerPort);
        REQUIRE(peer.IsOpen());
        CSerialPort engine;
        REQUIRE(Open(engine, owner, static_cast<UINT>(port)));
        StartWorker(engine);
        for (const char* code : {"EF", "DE", "C0"}) {
            Place(engine, Frame(code));
            CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame(code)));
        }
        CHECK(peer.ReadUntilQuiet(100).empty());
    }
}

TEST_CASE("the port runs 9600 8N1") {
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

TEST_CASE("OpenPort on a port that does not open fails and holds nothing; the next open succeeds") {
    RecordingOwner owner;
    CSerialPort engine;
    CHECK_FALSE(Open(engine, owner, 17));  // no such port
    CHECK_FALSE(Open(engine, owner, 0));
    CHECK_FALSE(Open(engine, owner, 6));  // held by another program
    PeerPort peer(13);
    REQUIRE(Open(engine, owner, 3));
    StartWorker(engine);
    Place(engine, Frame("EF"));
    CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("EF")));
}

TEST_CASE("bytes from the device come one WM_PORT_BYTE each, then WM_PORT_EVENT_CHAR") {
    RecordingOwner owner;
    PeerPort peer(13);
    CSerialPort engine;
    REQUIRE(Open(engine, owner, 3));
    StartWorker(engine);

    const Bytes sent{'h', 'e', 'l', 'l', 'o', 'q', 0x00, 0xFF, 0x47};
    REQUIRE(peer.Write(sent));
    REQUIRE(WaitUntil([&] { return owner.BytesReceived().size() >= sent.size(); }));
    CHECK(owner.BytesReceived() == sent);
    REQUIRE(WaitUntil([&] { return owner.received.back().message == WM_PORT_EVENT_CHAR; }));
    for (const Notification& n : owner.received)
        if (n.message == WM_PORT_BYTE)
            CHECK(n.lParam == 3);
    CHECK(owner.Count(WM_PORT_CTS) == 0);
    CHECK(owner.Count(WM_PORT_BREAK) == 0);
    CHECK(owner.Count(WM_PORT_LINE_ERROR) == 0);
    CHECK(owner.Count(WM_PORT_RING) == 0);
}

TEST_CASE("every write first discards input not yet read") {
    RecordingOwner owner;
    PeerPort peer(13);
    CSerialPort engine;
    // No line events: received bytes stay queued until a write purges them.
    REQUIRE(Open(engine, owner, 3, 0));
    StartWorker(engine);
    SecondHandle line(3);
    REQUIRE(peer.Write({'a', 'b', 'c'}));
    REQUIRE(WaitUntil([&] { return line.InputQueued() == 3; }));
    Place(engine, Frame("EF"));
    CHECK(Hex(peer.Read(5, 3000)) == Hex(Frame("EF")));
    CHECK(line.InputQueued() == 0);
    CHECK(owner.BytesReceived().empty());
}

TEST_CASE("a second OpenPort stops the running worker first, and reuses the events") {
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

TEST_CASE("destroying the engine while its worker runs ends the worker before the destructor returns") {
    RecordingOwner owner;
    const int baseline = CountOwnThreads();
    DWORD worker = 0;
    {
        CSerialPort engine;
        REQUIRE(Open(engine, owner, 3));
        worker = StartWorker(engine);
        CHECK(ThreadRuns(worker));
    }
    CHECK(WaitUntil([&] { return !ThreadRuns(worker) && CountOwnThreads() == baseline; }, 2000));

    SUBCASE("an idle engine closes nothing and waits for nothing") {
        CSerialPort idle;
    }
}

TEST_CASE("a write length past the buffer is refused and reported, never sent") {
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

TEST_CASE("stopping while the device floods the line never deadlocks") {
    RecordingOwner owner;
    PeerPort peer(13);
    // The flood comes from a thread of its own, so this thread is free to be stopped in.
    struct Flood {
        PeerPort* peer;
        volatile LONG stop;
    } flood{&peer, 0};
    HANDLE writer = ::CreateThread(
        nullptr, 0,
        [](LPVOID param) WINAPI -> DWORD {  // WINAPI: 32-bit thread routines are stdcall
            auto* f = static_cast<Flood*>(param);
            const Bytes chunk(64, 'x');
            while (!f->stop)
                f->peer->Write(chunk);
            return 0;
        },
        &flood, 0, nullptr);
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
    }  // the destructor stops it otherwise
    CHECK(WaitUntil([&] { return CountOwnThreads() == baseline; }));
    flood.stop = 1;
    ::WaitForSingleObject(writer, 5000);
    ::CloseHandle(writer);
}

TEST_CASE("200 open, start and stop cycles leave no thread or handle behind") {
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
    REQUIRE(Open(engine, owner, 3));  // waits for the last worker
    CHECK(WaitUntil([&] { return CountOwnThreads() == threads; }));
    // A leak per cycle would show as 190 handles and more; allow for a few of Wine's own.
    CHECK(NextHandleValue() <= handles + 8 * sizeof(HANDLE));
}
