// Frames cut out of the byte stream, whatever the chunks, and everything else reported with its bytes.
#include <doctest/doctest.h>

#include <algorithm>
#include <string>

#include "tools/core/FrameSplitter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes FrameOf(const DeviceCommand& command) {
    return {'G', static_cast<std::uint8_t>(command.code[0]), static_cast<std::uint8_t>(command.code[1]), 'g', 0x0A};
}

Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<LineEvent> FeedAll(FrameSplitter& splitter, const Bytes& bytes) {
    return splitter.Feed(bytes.data(), bytes.size());
}

// Everything the splitter reports for these bytes, the line going quiet at the end.
std::vector<LineEvent> Split(const Bytes& bytes) {
    FrameSplitter splitter;
    std::vector<LineEvent> events = FeedAll(splitter, bytes);
    for (LineEvent& event : splitter.Flush())
        events.push_back(event);
    return events;
}

void CheckEvent(const LineEvent& event, LineEventKind kind, const Bytes& bytes) {
    CHECK(event.kind == kind);
    CHECK(event.bytes == bytes);
}

}  // namespace

TEST_CASE("each of the 23 frames decodes to its own row of the command table") {
    for (const DeviceCommand& command : kDeviceCommands) {
        CAPTURE(command.meaning);
        const auto events = Split(FrameOf(command));
        REQUIRE(events.size() == 1);
        CheckEvent(events[0], LineEventKind::Command, FrameOf(command));
        CHECK(events[0].command == &command);
    }
}

TEST_CASE("frames come out whole and in order however the line cuts the bytes") {
    Bytes stream;
    for (const DeviceCommand& command : kDeviceCommands)
        stream = stream + FrameOf(command);
    for (std::size_t chunk : {1u, 2u, 3u, 4u, 7u, 64u}) {
        CAPTURE(chunk);
        FrameSplitter splitter;
        std::vector<LineEvent> events;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            const std::size_t size = std::min(chunk, stream.size() - at);
            for (LineEvent& event : splitter.Feed(stream.data() + at, size))
                events.push_back(event);
        }
        CHECK_FALSE(splitter.HasPending());
        REQUIRE(events.size() == kDeviceCommands.size());
        for (std::size_t i = 0; i < events.size(); ++i)
            CHECK(events[i].command == &kDeviceCommands[i]);
    }
}

TEST_CASE("what is not a whole known frame is reported with its bytes") {
    const Bytes single1 = B("GEFg\n");

    SUBCASE("noise between frames, before the frame that follows it") {
        const auto events = Split(single1 + Bytes{0x00, 0xFF, 'g', 0x0A} + single1);
        REQUIRE(events.size() == 3);
        CheckEvent(events[0], LineEventKind::Command, single1);
        CheckEvent(events[1], LineEventKind::Noise, {0x00, 0xFF, 'g', 0x0A});
        CheckEvent(events[2], LineEventKind::Command, single1);
    }
    SUBCASE("noise at the end is reported once the line is quiet") {
        FrameSplitter splitter;
        CHECK(FeedAll(splitter, B("xy")).empty());
        CHECK(splitter.HasPending());
        const auto events = splitter.Flush();
        REQUIRE(events.size() == 1);
        CheckEvent(events[0], LineEventKind::Noise, B("xy"));
        CHECK(splitter.Flush().empty());
    }
    SUBCASE("noise that never pauses is reported as it comes, in pieces of bounded size") {
        FrameSplitter splitter;
        Bytes noise, reported;
        std::size_t reports = 0;
        for (int chunk = 0; chunk < 1000; ++chunk) {
            const Bytes bytes(100, static_cast<std::uint8_t>(chunk % 71));  // never a "G" (0x47)
            noise = noise + bytes;
            for (const LineEvent& event : FeedAll(splitter, bytes)) {
                CHECK(event.kind == LineEventKind::Noise);
                CHECK(event.bytes.size() <= 1024);
                reported = reported + event.bytes;
                ++reports;
            }
        }
        CHECK(reports >= 100);
        for (const LineEvent& event : splitter.Flush())
            reported = reported + event.bytes;
        CHECK(reported == noise);
    }
    SUBCASE("a code the device does not know") {
        const auto events = Split(B("GZZg\n") + B("G00g\n"));
        REQUIRE(events.size() == 2);
        CheckEvent(events[0], LineEventKind::UnknownCode, B("GZZg\n"));
        CheckEvent(events[1], LineEventKind::UnknownCode, B("G00g\n"));
    }
    SUBCASE("a frame cut short by the next one resynchronises on its G") {
        for (std::size_t cut = 1; cut < 5; ++cut) {
            CAPTURE(cut);
            const Bytes torn(single1.begin(), single1.begin() + static_cast<long>(cut));
            const auto events = Split(torn + B("GDFg\n"));
            REQUIRE(events.size() == 2);
            CheckEvent(events[0], LineEventKind::TornFrame, torn);
            CheckEvent(events[1], LineEventKind::Command, B("GDFg\n"));
        }
    }
    SUBCASE("a frame left open when the line goes quiet is torn, and a later frame is whole") {
        FrameSplitter splitter;
        CHECK(FeedAll(splitter, B("GE")).empty());
        const auto torn = splitter.Flush();
        REQUIRE(torn.size() == 1);
        CheckEvent(torn[0], LineEventKind::TornFrame, B("GE"));
        const auto next = FeedAll(splitter, B("Fg\nGEEg\n"));
        REQUIRE(next.size() == 2);
        CheckEvent(next[0], LineEventKind::Noise, B("Fg\n"));
        CheckEvent(next[1], LineEventKind::Command, B("GEEg\n"));
    }
    SUBCASE("a wrong closing byte tears the frame; the stray bytes are noise up to the next G") {
        const auto events = Split(B("GEFx\nGEFgX") + single1);
        REQUIRE(events.size() == 5);
        CheckEvent(events[0], LineEventKind::TornFrame, B("GEF"));
        CheckEvent(events[1], LineEventKind::Noise, B("x\n"));
        CheckEvent(events[2], LineEventKind::TornFrame, B("GEFg"));
        CheckEvent(events[3], LineEventKind::Noise, B("X"));
        CheckEvent(events[4], LineEventKind::Command, single1);
    }
    SUBCASE("a carriage return before the line feed is not a frame") {
        const auto events = Split(B("GEFg\r\n"));
        REQUIRE(events.size() == 2);
        CheckEvent(events[0], LineEventKind::TornFrame, B("GEFg"));
        CheckEvent(events[1], LineEventKind::Noise, B("\r\n"));
    }
}
