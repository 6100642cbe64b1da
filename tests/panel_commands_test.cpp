// The control panel end to end: the shipped program, driven as a user would, over the virtual
// cable. COM3 is wired to COM13, where these tests read what the device would receive.
#include "Bench.h"
#include "Panel.h"
#include "PeerPort.h"
#include "Threads.h"
#include "Wait.h"
#include "doctest.h"
#include "helpers/ConnectedPanel.h"

#include <cstdio>
#include <random>
#include <sstream>
#include <string>

namespace {

Bytes FrameOf(const ButtonFrame& button) { return Bytes(button.frame, button.frame + sizeof(button.frame)); }

// One press's bytes: the first within firstByteMs, the rest as they come with it. A frame on a
// pty arrives in one piece, so a short or torn one is seen at once instead of after a long wait.
Bytes ReadFrame(const PeerPort& peer, DWORD firstByteMs = 3000) {
    Bytes frame = peer.Read(1, firstByteMs);
    if (!frame.empty()) {
        const Bytes rest = peer.Read(4, 300);
        frame.insert(frame.end(), rest.begin(), rest.end());
    }
    return frame;
}

bool IsWholeFramesOfButtons(const Bytes& bytes) {
    if (bytes.size() % 5)
        return false;
    for (size_t at = 0; at < bytes.size(); at += 5) {
        bool known = false;
        for (const ButtonFrame& button : kButtonFrames)
            known = known || Bytes(bytes.begin() + at, bytes.begin() + at + 5) == FrameOf(button);
        if (!known)
            return false;
    }
    return true;
}

// What a shell command (without double quotes) prints, run on the Linux side of the bench. Empty if
// it could not run.
std::string UnixOutput(const std::string& command) {
    const std::string prefix = BenchPrefix();
    const std::string out = prefix + "/out-" + std::to_string(::GetCurrentProcessId());
    const std::string script = "{ " + command + "; } > " + out + ".part; mv " + out + ".part " + out;
    if (prefix.empty() || !StartUnixProgram(L"Z:\\bin\\sh -c \"" + std::wstring(script.begin(), script.end()) + L"\""))
        return {};
    const std::wstring path = UnixToWindowsPath(out);
    std::string text;
    WaitUntil(
        [&] {
            FILE* file = _wfopen(path.c_str(), L"rb");
            if (!file)
                return false;
            char chunk[4096];
            for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
                text.append(chunk, got);
            std::fclose(file);
            return true;
        },
        10000);
    ::DeleteFileW(path.c_str());
    return text;
}

std::string ComLine(int comNumber) { return BenchPrefix() + "/dosdevices/com" + std::to_string(comNumber); }

// The line as the connected program left it: `stty -a` on the pty that Wine holds as COMn.
std::string LineSettings(int comNumber) { return UnixOutput("stty -a -F " + ComLine(comNumber)); }

// The names of the processes that hold COMn's pty open, one per line: the cable's socat always.
std::string LineHolders(int comNumber) {
    return UnixOutput("find /proc/[0-9]*/fd -lname $(readlink -f " + ComLine(comNumber) +
                      ") 2>/dev/null | sed s,/fd/.*,/comm, | xargs cat | sort -u");
}

bool HasSetting(const std::string& settings, const std::string& flag) {
    std::istringstream words(settings);
    for (std::string word; words >> word;)
        if (word == flag || word == flag + ";")
            return true;
    return false;
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

    // DTR and RTS asserted: the device's end reads them as DSR and DCD, and CTS.
    const DWORD lines = bench.peer.ModemStatus();
    CHECK((lines & MS_DSR_ON) != 0);
    CHECK((lines & MS_RLSD_ON) != 0);
    CHECK((lines & MS_CTS_ON) != 0);

    // 9600 baud, one stop bit, no flow control. A pty forces 8 data bits and clears the parity
    // flag whatever is asked, so neither shows; Wine turns on the input parity check exactly when
    // a parity is chosen, which makes -inpck the witness for no parity. The event character does
    // not show either (and Wine reads it back as 0).
    {
        const std::string line = LineSettings(3);
        CAPTURE(line);
        REQUIRE_FALSE(line.empty());
        CHECK(line.find("speed 9600 baud;") != std::string::npos);
        for (const char* flag : {"-cstopb", "-crtscts", "-ixon", "-ixoff", "-inpck"}) {
            CAPTURE(flag);
            CHECK(HasSetting(line, flag));
        }
    }

    // A wrong frame ends the case: every later press would only wait out its frame too.
    for (const ButtonFrame& button : kButtonFrames) {
        CAPTURE(button.controlId);
        bench.panel.Click(button.controlId);
        REQUIRE(Hex(ReadFrame(bench.peer)) == Hex(FrameOf(button)));
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
        CHECK(Hex(ReadFrame(bench.peer, 20000)) == Hex(Frame("DF")));
    }

    SUBCASE(
        "Disconnect ends the worker and frees the port and the selector; presses fail again; Connect right "
        "after works") {
        REQUIRE(LineHolders(3) != "socat\n");  // the panel holds the line: the check below can see it
        bench.panel.Click(1002);
        CHECK(bench.panel.Text(1002) == L"connect");
        CHECK(WaitUntil([&] { return CountThreadsOf(bench.panel.ProcessId()) == bench.idleThreads; }));
        std::string holders;
        const bool freed = WaitUntil([&] { return (holders = LineHolders(3)) == "socat\n"; }, 10000);
        CHECK_MESSAGE(freed, "COM3's line still held by: " << holders);
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
        CHECK(Hex(ReadFrame(bench.peer)) == Hex(Frame("C0")));
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
            bench.panel.ClickAsync(kButtonFrames[random() % 23].controlId);
        }
        const Bytes got = bench.peer.Read(1 << 16, 20);
        received.insert(received.end(), got.begin(), got.end());
    }
    const Bytes rest = bench.peer.ReadUntilQuiet(500);
    received.insert(received.end(), rest.begin(), rest.end());
    MESSAGE("presses: " << presses << ", frames on the line: " << received.size() / 5);
    CHECK(received.size() >= 5);
    CHECK(IsWholeFramesOfButtons(received));
}
