// Line bytes of any content, cut into two reads at a point the input chooses: every byte comes
// back in exactly one event, in order, and commands are whole frames of the table.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tools/core/FrameSplitter.h"

namespace {

void Check(const std::vector<LineEvent>& events, std::vector<std::uint8_t>& seen) {
    for (const LineEvent& event : events) {
        if (event.bytes.empty())
            std::abort();
        if ((event.kind == LineEventKind::Command) != (event.command != nullptr))
            std::abort();
        if (event.kind == LineEventKind::Command || event.kind == LineEventKind::UnknownCode) {
            if (event.bytes.size() != kFrameLength || event.bytes[0] != kFrameStart || event.bytes[3] != kFrameEnd ||
                event.bytes[4] != kFrameTerminator)
                std::abort();
        }
        seen.insert(seen.end(), event.bytes.begin(), event.bytes.end());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::size_t cut = data[0] % size;
    const std::vector<std::uint8_t> line(data + 1, data + size);

    FrameSplitter splitter;
    std::vector<std::uint8_t> seen;
    Check(splitter.Feed(line.data(), cut), seen);
    Check(splitter.Feed(line.data() + cut, line.size() - cut), seen);
    Check(splitter.Flush(), seen);
    if (seen != line || splitter.HasPending())
        std::abort();
    return 0;
}
