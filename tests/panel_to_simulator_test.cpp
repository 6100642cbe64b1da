// The whole chain: the shipped program, Search and Connect, every command button, over a virtual
// cable to the multiviewer simulator running on Linux, read back from the simulator's log. The
// simulator answers every frame, so the panel's receive path carries bytes all along. The
// simulator names each frame from the program's own command table: the bytes expected here come
// from the buttons' frames written out in the test support instead, so a wrong row cannot pass.
#include "Panel.h"
#include "PeerPort.h"
#include "Wait.h"
#include "doctest.h"
#include "helpers/ComDevices.h"
#include "res/resource.h"

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

// "<what the simulator made of it>  [<the bytes>]"; empty when the bytes are not a known frame.
std::string MeaningOf(const std::string& arrived, const ButtonFrame& button) {
    const std::string bytes = "  [" + Hex(Bytes(button.frame, button.frame + sizeof(button.frame))) + "]";
    if (arrived.size() <= bytes.size() || arrived.compare(arrived.size() - bytes.size(), bytes.size(), bytes) != 0)
        return {};
    const std::string meaning = arrived.substr(0, arrived.size() - bytes.size());
    return meaning.rfind("unknown", 0) == 0 ? std::string() : meaning;
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
    const std::size_t buttons = sizeof(kButtonFrames) / sizeof(kButtonFrames[0]);
    for (std::size_t i = 0; i < buttons; ++i) {
        CAPTURE(kButtonFrames[i].controlId);
        panel.Click(kButtonFrames[i].controlId);
        REQUIRE(WaitUntil([&] { return ArrivedFrames().size() >= before + i + 1; }));
    }

    const std::vector<std::string> frames = ArrivedFrames();
    REQUIRE(frames.size() == before + buttons);
    for (std::size_t i = 0; i < buttons; ++i) {
        CAPTURE(frames[before + i]);
        CHECK_FALSE(MeaningOf(frames[before + i], kButtonFrames[i]).empty());
    }

    // Control order ends on the "H" layout, then mute, with standby pressed once.
    CHECK(LastStateLine("layout:") == "layout: \"H\" layout");
    CHECK(LastStateLine("audio:") == "audio: muted    standby: on");
    CHECK(LastStateLine("switches:") ==
          "switches: mode 1, resolution 1, single screen 1, two-way split 1, one large three small 1");

    std::size_t answers = 0;
    for (const std::string& line : LogLines())
        answers += line.find("  sent  [4F 4B 0A]") != std::string::npos;
    CHECK(answers >= buttons);
    panel.Click(IDC_CONNECT);
    CHECK(panel.Text(IDC_CONNECT) == L"connect");
}
