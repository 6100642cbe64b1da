// What the device does with each command, and how it draws the result.
#include <doctest/doctest.h>

#include <algorithm>
#include <string>

#include "tools/core/DeviceState.h"
#include "ScreenPicture.h"

namespace {

const DeviceCommand& Command(const char* meaning) {
    for (const DeviceCommand& command : kDeviceCommands)
        if (std::string(command.meaning) == meaning)
            return command;
    FAIL("no command " << meaning);
    return kDeviceCommands[0];
}

DeviceState After(std::initializer_list<const char*> meanings) {
    DeviceState state;
    for (const char* meaning : meanings)
        Apply(state, Command(meaning));
    return state;
}

struct Expected {
    const char* meaning;
    const char* layout;
    const char* audio;
    bool standby;
    SwitchCounts switches;
};

SwitchCounts Counts(int mode, int resolution, int single, int twoWay, int oneLarge) {
    return SwitchCounts{mode, resolution, single, twoWay, oneLarge};
}

}  // namespace

TEST_CASE("each command, from power-on, leaves the state its meaning says") {
    const SwitchCounts none{};
    const Expected expected[] = {
        {"standby", "quad split", "input 1", true, none},
        {"mode switch", "quad split", "input 1", false, Counts(1, 0, 0, 0, 0)},
        {"resolution switch", "quad split", "input 1", false, Counts(0, 1, 0, 0, 0)},
        {"audio from input 1", "quad split", "input 1", false, none},
        {"audio from input 2", "quad split", "input 2", false, none},
        {"audio from input 3", "quad split", "input 3", false, none},
        {"audio from input 4", "quad split", "input 4", false, none},
        {"mute", "quad split", "muted", false, none},
        {"single-screen switch", "quad split", "input 1", false, Counts(0, 0, 1, 0, 0)},
        {"single screen, input 1", "single screen, input 1", "input 1", false, none},
        {"single screen, input 2", "single screen, input 2", "input 1", false, none},
        {"single screen, input 3", "single screen, input 3", "input 1", false, none},
        {"single screen, input 4", "single screen, input 4", "input 1", false, none},
        {"quad split", "quad split", "input 1", false, none},
        {"\"H\" layout", "\"H\" layout", "input 1", false, none},
        {"two-way split switch", "quad split", "input 1", false, Counts(0, 0, 0, 1, 0)},
        {"two-way split, inputs 1 and 2", "two-way split, inputs 1 and 2", "input 1", false, none},
        {"two-way split, inputs 3 and 4", "two-way split, inputs 3 and 4", "input 1", false, none},
        {"one-large-three-small switch", "quad split", "input 1", false, Counts(0, 0, 0, 0, 1)},
        {"one large (input 1), three small", "one large (input 1), three small", "input 1", false, none},
        {"one large (input 2), three small", "one large (input 2), three small", "input 1", false, none},
        {"one large (input 3), three small", "one large (input 3), three small", "input 1", false, none},
        {"one large (input 4), three small", "one large (input 4), three small", "input 1", false, none},
    };
    REQUIRE(std::size(expected) == kDeviceCommands.size());
    for (const Expected& e : expected) {
        CAPTURE(e.meaning);
        const DeviceState state = After({e.meaning});
        CHECK(DescribeLayout(state) == e.layout);
        CHECK(DescribeAudio(state) == e.audio);
        CHECK(state.standby == e.standby);
        CHECK(state.switches == e.switches);
    }
}

TEST_CASE("state carries from one command to the next") {
    SUBCASE("standby is one button: a second press wakes the device") {
        CHECK(After({"standby", "standby"}).standby == false);
        CHECK(After({"standby", "quad split"}).standby == true);
    }
    SUBCASE("choosing a source after mute brings the sound back") {
        CHECK(DescribeAudio(After({"mute", "audio from input 3"})) == "input 3");
    }
    SUBCASE("switches are counted, each on its own") {
        const DeviceState state = After({"mode switch", "mode switch", "resolution switch", "two-way split switch",
                                         "one-large-three-small switch", "one-large-three-small switch"});
        CHECK(state.switches == Counts(2, 1, 0, 1, 2));
        CHECK(DescribeSwitches(state.switches) ==
              "mode 2, resolution 1, single screen 0, two-way split 1, one large three small 2");
    }
    SUBCASE("a layout command keeps audio and standby") {
        const DeviceState state = After({"audio from input 4", "standby", "single screen, input 2"});
        CHECK(DescribeAudio(state) == "input 4");
        CHECK(state.standby);
    }
    SUBCASE("the same command twice changes nothing the second time") {
        const DeviceState once = After({"single screen, input 3"});
        DeviceState twice = once;
        Apply(twice, Command("single screen, input 3"));
        CHECK(twice == once);
    }
}

TEST_CASE("the picture shows each input in its window") {
    SUBCASE("one large window with the other three inputs small beside it") {
        const std::string picture = DrawScreen(After({"one large (input 2), three small", "mute"}));
        const std::string expected =
            "    +-----------------------+-----------+\n"
            "    |                       |           |\n"
            "    |                       |     1     |\n"
            "    |                       |           |\n"
            "    |                       +-----------+\n"
            "    |                       |           |\n"
            "    |           2           |     3     |\n"
            "    |                       |           |\n"
            "    |                       +-----------+\n"
            "    |                       |           |\n"
            "    |                       |     4     |\n"
            "    |                       |           |\n"
            "    +-----------------------+-----------+\n"
            "    layout: one large (input 2), three small\n"
            "    audio: muted    standby: off\n"
            "    switches: mode 0, resolution 0, single screen 0, two-way split 0, one large three small 0\n";
        CHECK(picture == expected);
    }
    SUBCASE("every layout shows each of its inputs exactly once") {
        const std::pair<const char*, std::string> layouts[] = {
            {"quad split", "1234"},
            {"\"H\" layout", "1234"},
            {"single screen, input 3", "3"},
            {"two-way split, inputs 1 and 2", "12"},
            {"two-way split, inputs 3 and 4", "34"},
            {"one large (input 4), three small", "1234"},
        };
        for (const auto& [meaning, inputs] : layouts) {
            CAPTURE(meaning);
            const std::string picture = DrawScreen(After({meaning}));
            const std::string screen = picture.substr(0, picture.find("layout:"));
            std::string digits;
            for (char c : screen)
                if (c >= '0' && c <= '9')
                    digits += c;
            std::sort(digits.begin(), digits.end());
            CHECK(digits == inputs);
        }
    }
    SUBCASE("the H layout has two tall windows outside and two stacked in the middle") {
        const auto windows = WindowsOf(After({"\"H\" layout"}));
        REQUIRE(windows.size() == 4);
        CHECK(windows[0].bottom - windows[0].top == 2 * (windows[1].bottom - windows[1].top));
        CHECK(windows[3].bottom - windows[3].top == windows[0].bottom - windows[0].top);
        CHECK(windows[1].left == windows[2].left);
        CHECK(windows[1].bottom == windows[2].top);
    }
}
