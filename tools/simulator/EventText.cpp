#include "EventText.h"

#include "tools/core/Hex.h"

namespace {

std::string What(const LineEvent& event) {
    switch (event.kind) {
        case LineEventKind::Command:
            return event.command->meaning;
        case LineEventKind::UnknownCode:
            return "unknown code \"" + std::string(event.bytes.begin() + 1, event.bytes.begin() + 3) + "\"";
        case LineEventKind::TornFrame:
            return "torn frame";
        case LineEventKind::Noise:
            return "noise";
    }
    return {};
}

}  // namespace

std::string DescribeEvent(const LineEvent& event) { return What(event) + "  [" + HexBytes(event.bytes) + "]"; }
