// The control panel end to end: the shipped program, driven as a user would, over the virtual
// cable. COM3 is wired to COM13, where these tests read what the device would receive.
#include "Bench.h"
#include "Panel.h"
#include "PeerPort.h"
#include "Wait.h"
#include "doctest.h"
#include "helpers/ComDevices.h"
#include "ui/DeviceCommands.h"

#include <algorithm>
#include <random>

namespace {

// Two serial devices, as a driver would register them, on the lines of COM3 and COM5.
struct RegisteredPorts {
    RegisteredPorts() {
        devices.Add(L"0003", L"Communications Port (COM3)", L"Communications Port");
        devices.Add(L"0005", L"USB Serial Port (COM5)", L"USB Serial Port", L"USB 1-2");
    }
    ComDevices devices;
};

struct ConnectedPanel {
    RegisteredPorts ports;
    PeerPort peer{13};
    PanelProcess panel;

    void Connect(const wchar_t* port = L"COM3") {
        panel.Click(1000);
        panel.SelectPort(port);
        panel.Click(1002);
        REQUIRE(panel.Text(1002) == L"Disconnect");
    }
};

bool IsWholeFramesFromTable(const Bytes& bytes) {
    if (bytes.size() % kFrameLength)
        return false;
    for (size_t at = 0; at < bytes.size(); at += kFrameLength) {
        const bool framed = bytes[at] == kFrameStart && bytes[at + 3] == kFrameEnd && bytes[at + 4] == kFrameTerminator;
        if (!framed || !FindCommandByCode(static_cast<char>(bytes[at + 1]), static_cast<char>(bytes[at + 2])))
            return false;
    }
    return true;
}

}  // namespace

TEST_CASE("a press before Connect shows \"Opening COM failed!\" and puts nothing on the line") {
    ConnectedPanel bench;
    REQUIRE(bench.panel.Window() != nullptr);
    for (int id : {1003, 1025}) {
        bench.panel.ClickAsync(id);
        const MessageBoxSeen box = bench.panel.WaitForMessageBox();
        CHECK(box.caption == L"Quorvex");
        CHECK(box.text == L"Opening COM failed!");
        bench.panel.Dismiss(box);
    }
    CHECK(bench.peer.ReadUntilQuiet(300).empty());
}

TEST_CASE("connected on COM3, each of the 23 buttons puts exactly its frame on the line") {
    ConnectedPanel bench;
    REQUIRE(bench.panel.Window() != nullptr);
    bench.Connect();
    CHECK_FALSE(bench.panel.Enabled(1000));
    CHECK_FALSE(bench.panel.Enabled(1001));

    for (const DeviceCommand& command : kDeviceCommands) {
        CAPTURE(command.controlId);
        bench.panel.Click(static_cast<int>(command.controlId));
        CHECK(Hex(bench.peer.Read(kFrameLength, 3000)) == Hex(Frame(command.code)));
    }
    CHECK(bench.peer.ReadUntilQuiet(300).empty());

    SUBCASE("bytes from the device, floods and the event character included, change nothing") {
        // Every byte is reported to the window one message at a time: a few kilobytes make a
        // flood that takes the worker a while, and a pty has no baud rate to slow the device.
        Bytes flood(512, 'q');
        for (size_t i = 0; i < flood.size(); i += 7)
            flood[i] = static_cast<BYTE>(i);
        for (int chunk = 0; chunk < 8; ++chunk)
            REQUIRE(bench.peer.Write(flood));
        REQUIRE(bench.peer.Write({'q', 'q', 'G', 'E', 'F', 'g', '\n'}));
        CHECK(bench.panel.Text(1002) == L"Disconnect");
        CHECK_FALSE(bench.panel.Enabled(1000));
        CHECK(bench.panel.FindWindowByCaption(L"Quorvex") == nullptr);
        bench.panel.Click(1018);
        CHECK(Hex(bench.peer.Read(kFrameLength, 20000)) == Hex(Frame("DF")));
    }

    SUBCASE("Disconnect frees the selector; presses fail again; Connect right after works") {
        bench.panel.Click(1002);
        CHECK(bench.panel.Text(1002) == L"connect");
        CHECK(bench.panel.Enabled(1000));
        CHECK(bench.panel.Enabled(1001));
        bench.panel.ClickAsync(1003);
        const MessageBoxSeen box = bench.panel.WaitForMessageBox();
        CHECK(box.text == L"Opening COM failed!");
        bench.panel.Dismiss(box);
        CHECK(bench.peer.ReadUntilQuiet(300).empty());

        bench.panel.Click(1002);
        CHECK(bench.panel.Text(1002) == L"Disconnect");
        bench.panel.Click(1021);
        CHECK(Hex(bench.peer.Read(kFrameLength, 3000)) == Hex(Frame("C0")));
    }
}

TEST_CASE("Connect that cannot open the port shows \"Open COM   failed!\" and changes nothing else") {
    SUBCASE("the list is empty after a Search that found nothing") {
        ComDevices none;
        PanelProcess panel;
        REQUIRE(panel.Window() != nullptr);
        panel.Click(1000);
        REQUIRE(panel.PortListEntries().empty());
        panel.ClickAsync(1002);
        const MessageBoxSeen box = panel.WaitForMessageBox();
        CHECK(box.caption == L"Quorvex");
        CHECK(box.text == L"Open COM   failed!");
        panel.Dismiss(box);
        CHECK(panel.Text(1002) == L"Connect");
        CHECK(panel.Enabled(1000));
        CHECK(panel.Enabled(1001));
    }
    SUBCASE("another program holds the port") {
        ConnectedPanel bench;
        REQUIRE(bench.panel.Window() != nullptr);
        bench.panel.Click(1000);
        bench.panel.SelectPort(L"COM5");
        HeldPort held(5);
        REQUIRE(held.IsHeld());
        bench.panel.ClickAsync(1002);
        const MessageBoxSeen box = bench.panel.WaitForMessageBox();
        CHECK(box.text == L"Open COM   failed!");
        bench.panel.Dismiss(box);
        CHECK(bench.panel.Text(1002) == L"Connect");
        CHECK(bench.panel.Enabled(1000));
        bench.panel.ClickAsync(1003);
        const MessageBoxSeen notOpen = bench.panel.WaitForMessageBox();
        CHECK(notOpen.text == L"Opening COM failed!");
        bench.panel.Dismiss(notOpen);
    }
}

TEST_CASE("presses hammered while the worker writes never put a torn or mixed frame on the line") {
    ConnectedPanel bench;
    REQUIRE(bench.panel.Window() != nullptr);
    bench.Connect();

    std::mt19937 random(7);
    Bytes received;
    const ULONGLONG end = ::GetTickCount() + 3000;
    int presses = 0;
    while (::GetTickCount() < end) {
        for (int i = 0; i < 50; ++i, ++presses) {
            const DeviceCommand& command = kDeviceCommands[random() % kDeviceCommands.size()];
            bench.panel.ClickAsync(static_cast<int>(command.controlId));
        }
        const Bytes got = bench.peer.Read(1 << 16, 20);
        received.insert(received.end(), got.begin(), got.end());
    }
    const Bytes rest = bench.peer.ReadUntilQuiet(500);
    received.insert(received.end(), rest.begin(), rest.end());
    MESSAGE("presses: " << presses << ", frames on the line: " << received.size() / kFrameLength);
    CHECK(received.size() >= kFrameLength);
    CHECK(IsWholeFramesFromTable(received));
}

TEST_CASE("closing the window while connected ends the process promptly") {
    SUBCASE("line quiet") {
        ConnectedPanel bench;
        REQUIRE(bench.panel.Window() != nullptr);
        bench.Connect();
        ::PostMessageW(bench.panel.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(bench.panel.WaitForExit(5000));
    }
    SUBCASE("device streaming") {
        ConnectedPanel bench;
        REQUIRE(bench.panel.Window() != nullptr);
        bench.Connect();
        for (int chunk = 0; chunk < 16; ++chunk)
            REQUIRE(bench.peer.Write(Bytes(1024, 'x')));
        ::PostMessageW(bench.panel.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
        CHECK(bench.panel.WaitForExit(5000));
    }
}
