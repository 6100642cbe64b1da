// The multiviewer's command set: one row per command button, in the order the buttons receive
// their icons. The frame on the wire is "G", the two code characters, "g", line feed.
// Plain C++ with no Windows headers, so the simulator and quorvex-send share this one table.
#pragma once

#include <array>
#include <cstdint>

struct DeviceCommand {
    unsigned controlId;
    unsigned iconId;
    char code[2];
    const char* meaning;
    const char* caption;  // UTF-8; the button's text comes from res/Quorvex.rc, which must agree
};

inline constexpr std::array<DeviceCommand, 23> kDeviceCommands{{
    {1025, 159, {'D', 'E'}, "standby", "待机STANDBY"},
    {1016, 160, {'9', '8'}, "mode switch", "模式切换"},
    {1017, 161, {'D', 'B'}, "resolution switch", "分辨率切换"},
    {1020, 162, {'C', '8'}, "audio from input 1", "通道1音频"},
    {1021, 163, {'C', '0'}, "audio from input 2", "通道2音频"},
    {1022, 164, {'9', '9'}, "audio from input 3", "通道3音频"},
    {1023, 165, {'C', '6'}, "audio from input 4", "通道4音频"},
    {1024, 166, {'8', '8'}, "mute", "静音MUTE"},
    {1013, 167, {'5', '5'}, "single-screen switch", "单画面切换"},
    {1003, 168, {'E', 'F'}, "single screen, input 1", "单画面 1"},
    {1004, 169, {'E', 'E'}, "single screen, input 2", "单画面 2"},
    {1005, 170, {'E', 'D'}, "single screen, input 3", "单画面 3"},
    {1006, 171, {'E', 'C'}, "single screen, input 4", "单画面 4"},
    {1018, 172, {'D', 'F'}, "quad split", "4分割"},
    {1019, 173, {'D', '9'}, "\"H\" layout", "H 型"},
    {1014, 174, {'C', 'C'}, "two-way split switch", "2分割切换"},
    {1011, 175, {'E', 'B'}, "two-way split, inputs 1 and 2", "2分割通道1 2"},
    {1012, 186, {'E', 'A'}, "two-way split, inputs 3 and 4", "2分割通道3 4"},
    {1015, 177, {'9', 'F'}, "one-large-three-small switch", "1大3小切换"},
    {1007, 178, {'E', '8'}, "one large (input 1), three small", "1大3小 ch1"},
    {1008, 179, {'E', '7'}, "one large (input 2), three small", "1大3小 ch2"},
    {1009, 180, {'E', '6'}, "one large (input 3), three small", "1大3小 ch3"},
    {1010, 181, {'E', '5'}, "one large (input 4), three small", "1大3小 ch4"},
}};

inline constexpr std::size_t kFrameLength = 5;
inline constexpr std::uint8_t kFrameStart = 'G';
inline constexpr std::uint8_t kFrameEnd = 'g';
inline constexpr std::uint8_t kFrameTerminator = 0x0A;

// The row of a command button, or nullptr for any other control.
constexpr const DeviceCommand* FindCommandByControl(unsigned controlId) {
    for (const DeviceCommand& command : kDeviceCommands)
        if (command.controlId == controlId)
            return &command;
    return nullptr;
}

// The row whose code is (first, second), or nullptr.
constexpr const DeviceCommand* FindCommandByCode(char first, char second) {
    for (const DeviceCommand& command : kDeviceCommands)
        if (command.code[0] == first && command.code[1] == second)
            return &command;
    return nullptr;
}

// The frame that carries a command on the wire.
constexpr std::array<std::uint8_t, kFrameLength> CommandFrame(const DeviceCommand& command) {
    return {kFrameStart, static_cast<std::uint8_t>(command.code[0]), static_cast<std::uint8_t>(command.code[1]),
            kFrameEnd, kFrameTerminator};
}
