// The whole chain: the shipped program, Search and Connect, every command button, over a virtual
// cable to the multiviewer simulator running on Linux, read back from the simulator's log. The
// simulator answers every frame, so the panel's receive path carries bytes all along.
#include "Panel.h"
#include "Wait.h"
#include "doctest.h"
#include "helpers/ComDevices.h"
#include "res/resource.h"
#include "ui/DeviceCommands.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring SimulatorLogPath() {
    const wchar_t* path = _wgetenv(L"QUORVEX_SIMULATOR_LOG");
    return path ? path : L"";
}

std::vector<std::string> LogLines() {
    std::vector<std::string> lines;
    FILE* file = _wfopen(SimulatorLogPath().c_str(), L"rb");
    if (!file)
        return lines;
    char line[512];
    while (std::fgets(line, sizeof line, file)) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n')
            text.pop_back();
        lines.push_back(text);
    }
    std::fclose(file);
    return lines;
}

// Timestamped lines of what arrived, without the time: "single screen, input 1  [47 45 46 67 0A]".
std::vector<std::string> ArrivedFrames() {
    std::vector<std::string> frames;
    for (const std::string& line : LogLines())
        if (line.size() > 14 && line[2] == ':' && line.find("  [47 ") != std::string::npos)
            frames.push_back(line.substr(14));
    return frames;
}

// The last state line of the simulator's screen picture that starts with this label.
std::string LastStateLine(const std::string& label) {
    std::string found;
    for (const std::string& line : LogLines())
        if (line.rfind("    " + label, 0) == 0)
            found = line.substr(4);
    return found;
}

std::string ExpectedLine(const DeviceCommand& command) {
    char bytes[32];
    std::snprintf(bytes, sizeof bytes, "47 %02X %02X 67 0A", command.code[0], command.code[1]);
    return std::string(command.meaning) + "  [" + bytes + "]";
}

}  // namespace

TEST_CASE("every button's command reaches the simulated multiviewer in order and leaves the state the presses imply") {
    REQUIRE_FALSE(SimulatorLogPath().empty());
    ComDevices devices;
    devices.Add(L"0018", L"Communications Port (COM18)", L"Communications Port");
    PanelProcess panel;
    REQUIRE(panel.Window());
    panel.Click(IDC_SEARCH);
    REQUIRE(panel.PortListEntries() == std::vector<std::wstring>{L"COM18"});
    panel.Click(IDC_CONNECT);
    REQUIRE(panel.Text(IDC_CONNECT) == L"Disconnect");

    const std::size_t before = ArrivedFrames().size();
    // One press at a time: the engine keeps only the latest frame until its worker takes it.
    for (std::size_t i = 0; i < kDeviceCommands.size(); ++i) {
        CAPTURE(kDeviceCommands[i].meaning);
        panel.Click(static_cast<int>(kDeviceCommands[i].controlId));
        REQUIRE(WaitUntil([&] { return ArrivedFrames().size() >= before + i + 1; }));
    }

    const std::vector<std::string> frames = ArrivedFrames();
    REQUIRE(frames.size() == before + kDeviceCommands.size());
    for (std::size_t i = 0; i < kDeviceCommands.size(); ++i)
        CHECK(frames[before + i] == ExpectedLine(kDeviceCommands[i]));

    // Table order ends on the last one-large layout, after mute, with standby pressed once.
    CHECK(LastStateLine("layout:") == "layout: one large (input 4), three small");
    CHECK(LastStateLine("audio:") == "audio: muted    standby: on");
    CHECK(LastStateLine("switches:") ==
          "switches: mode 1, resolution 1, single screen 1, two-way split 1, one large three small 1");

    std::size_t answers = 0;
    for (const std::string& line : LogLines())
        answers += line.find("  sent  [4F 4B 0A]") != std::string::npos;
    CHECK(answers >= kDeviceCommands.size());
    panel.Click(IDC_CONNECT);
    CHECK(panel.Text(IDC_CONNECT) == L"connect");
}
