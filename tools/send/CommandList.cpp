#include "CommandList.h"

#include <cstdio>

#include "tools/core/CommandNames.h"

namespace {

// Columns on a terminal: the captions' Chinese characters take two each. The captions hold
// nothing but ASCII and characters of three UTF-8 bytes.
std::size_t ColumnsOf(const std::string& text) {
    std::size_t columns = 0;
    for (unsigned char c : text) {
        if (c < 0x80)
            columns += 1;
        else if (c >= 0xE0)
            columns += 2;
    }
    return columns;
}

std::string PadTo(const std::string& text, std::size_t columns) {
    const std::size_t used = ColumnsOf(text);
    return text + std::string(columns > used ? columns - used : 1, ' ');
}

std::string FrameText(const DeviceCommand& command) {
    std::string text;
    for (std::uint8_t byte : CommandFrame(command)) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02X", text.empty() ? "" : " ", byte);
        text += hex;
    }
    return text;
}

}  // namespace

std::string CommandListText() {
    constexpr std::size_t kName = 31, kCode = 6, kFrame = 16, kCaption = 15;
    std::string text =
        PadTo("name", kName) + PadTo("code", kCode) + PadTo("frame", kFrame) + PadTo("caption", kCaption) + "meaning\n";
    for (const DeviceCommand& command : kDeviceCommands) {
        text += PadTo(CommandName(command), kName) + PadTo(std::string(command.code, 2), kCode) +
                PadTo(FrameText(command), kFrame) + PadTo(command.caption, kCaption) + command.meaning + "\n";
    }
    return text;
}
