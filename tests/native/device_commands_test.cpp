// What the rest of the system assumes of the command table.
#include <doctest/doctest.h>

#include "ui/DeviceCommands.h"

#include <set>
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
