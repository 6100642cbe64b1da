// What the rest of the system assumes of the command table.
#include <doctest/doctest.h>

#include "ui/DeviceCommands.h"

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>

namespace {

bool IsUpperHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

}  // namespace

static_assert(FindCommandByControl(1025) == &kDeviceCommands[0], "lookups work at compile time");
static_assert(FindCommandByCode('E', '5') == &kDeviceCommands[22]);

TEST_CASE("every command has its own button, icon and code") {
    std::set<unsigned> controls, icons;
    std::set<std::pair<char, char>> codes;
    for (const DeviceCommand& command : kDeviceCommands) {
        CAPTURE(command.meaning);
        CHECK(controls.insert(command.controlId).second);
        CHECK(icons.insert(command.iconId).second);
        CHECK(codes.insert({command.code[0], command.code[1]}).second);
        // The 23 buttons are the consecutive control ids 1003 to 1025.
        CHECK(command.controlId >= 1003);
        CHECK(command.controlId <= 1025);
    }
}

TEST_CASE("codes are hex digits, so the frame markers never occur inside a frame") {
    for (const DeviceCommand& command : kDeviceCommands) {
        for (char c : command.code) {
            CAPTURE(c);
            CHECK(IsUpperHexDigit(c));
            CHECK(static_cast<std::uint8_t>(c) != kFrameStart);
            CHECK(static_cast<std::uint8_t>(c) != kFrameEnd);
            CHECK(static_cast<std::uint8_t>(c) != kFrameTerminator);
        }
    }
}

TEST_CASE("each row is found by its button and by its code, and nothing else is") {
    for (const DeviceCommand& command : kDeviceCommands) {
        CHECK(FindCommandByControl(command.controlId) == &command);
        CHECK(FindCommandByCode(command.code[0], command.code[1]) == &command);
    }
    CHECK(FindCommandByControl(1001) == nullptr);
    CHECK(FindCommandByControl(1026) == nullptr);
    CHECK(FindCommandByCode('E', 'D') != nullptr);
    CHECK(FindCommandByCode('D', 'E') != FindCommandByCode('E', 'D'));
    CHECK(FindCommandByCode('e', 'f') == nullptr);
    CHECK(FindCommandByCode('\0', '\0') == nullptr);
}

// The table keeps each button's caption for tools that show the commands without the dialog; the
// dialog takes its captions from the resource script, so the two must say the same.
TEST_CASE("each command's caption is its button's text in the resource script") {
    std::map<std::string, unsigned> ids;  // IDC_ name -> control id, from resource.h
    {
        std::ifstream header(QUORVEX_REPO_ROOT "/res/resource.h");
        const std::regex define(R"(#define\s+(IDC_\w+)\s+(\d+))");
        std::smatch match;
        for (std::string line; std::getline(header, line);)
            if (std::regex_search(line, match, define))
                ids[match[1]] = static_cast<unsigned>(std::stoul(match[2]));
    }
    std::map<unsigned, std::string> captions;  // control id -> caption, from the dialog template
    {
        std::ifstream script(QUORVEX_REPO_ROOT "/res/Quorvex.rc");
        const std::regex button(R"re(PUSHBUTTON\s+"([^"]*)",\s*(IDC_\w+))re");
        std::smatch match;
        for (std::string line; std::getline(script, line);)
            if (std::regex_search(line, match, button) && ids.count(match[2]))
                captions[ids[match[2]]] = match[1];
    }
    REQUIRE(captions.size() == 2 + kDeviceCommands.size());  // Search, Connect and the command buttons
    for (const DeviceCommand& command : kDeviceCommands) {
        CAPTURE(command.controlId);
        CHECK(captions[command.controlId] == std::string(command.caption));
    }
}
