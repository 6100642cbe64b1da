// The device's log, pictures and answers, seen through its log and the bytes it sends.
#include <doctest/doctest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/core/FrameSplitter.h"
#include "Multiviewer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Bench {
    std::ostringstream screen;
    Log log{screen, ""};
    std::vector<Bytes> sent;
    Multiviewer device;

    explicit Bench(Bytes reply = {})
        : device(log, true, std::move(reply), [this](const Bytes& bytes) {
              sent.push_back(bytes);
              return true;
          }) {}

    void Arrive(const std::string& text) {
        FrameSplitter splitter;
        auto events = splitter.Feed(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        for (const LineEvent& event : splitter.Flush())
            events.push_back(event);
        for (const LineEvent& event : events)
            device.Receive(event);
    }
    std::size_t Pictures() const {
        std::size_t count = 0;
        const std::string text = screen.str();
        for (std::size_t at = text.find("layout:"); at != std::string::npos; at = text.find("layout:", at + 1))
            ++count;
        return count;
    }
};

}  // namespace

TEST_CASE("each frame is one timestamped line with its meaning and bytes; a picture follows each change") {
    Bench bench;
    bench.Arrive("GEFg\n");
    const std::string text = bench.screen.str();
    const std::string firstLine = text.substr(0, text.find('\n'));
    CHECK(firstLine.size() == std::string("12:00:01.234  single screen, input 1  [47 45 46 67 0A]").size());
    CHECK(firstLine[2] == ':');
    CHECK(firstLine[8] == '.');
    CHECK(firstLine.substr(12) == "  single screen, input 1  [47 45 46 67 0A]");
    CHECK(bench.Pictures() == 1);

    bench.Arrive("GEFg\n");
    CHECK(bench.Pictures() == 1);  // nothing changed
    bench.Arrive("G88g\n");
    CHECK(bench.Pictures() == 2);
    CHECK(bench.screen.str().find("audio: muted") != std::string::npos);
}

TEST_CASE("faults are logged with their bytes and change nothing") {
    Bench bench;
    bench.Arrive("\x01GZZg\nGE");
    const std::string text = bench.screen.str();
    CHECK(text.find("  noise  [01]\n") != std::string::npos);
    CHECK(text.find("  unknown code \"ZZ\"  [47 5A 5A 67 0A]\n") != std::string::npos);
    CHECK(text.find("  torn frame  [47 45]\n") != std::string::npos);
    CHECK(bench.Pictures() == 0);
    CHECK(bench.device.State() == DeviceState{});
}

TEST_CASE("a reply goes back after every command frame, and only then") {
    Bench bench({0x4F, 0x4B});
    bench.Arrive("GEFg\nxxGDFg\nGZZg\n");
    CHECK(bench.sent == std::vector<Bytes>{{0x4F, 0x4B}, {0x4F, 0x4B}});
    CHECK(bench.screen.str().find("  sent  [4F 4B]\n") != std::string::npos);
}

TEST_CASE("the log file holds what the terminal shows") {
    const std::string path = "multiviewer_test.log";
    std::ostringstream screen;
    {
        Log log(screen, path);
        REQUIRE_FALSE(log.FileFailed());
        Multiviewer device(log, true, {}, [](const Bytes&) { return true; });
        FrameSplitter splitter;
        const std::string frame = "GD9g\n";
        for (const LineEvent& event : splitter.Feed(reinterpret_cast<const std::uint8_t*>(frame.data()), 5))
            device.Receive(event);
    }
    std::ifstream file(path);
    std::stringstream content;
    content << file.rdbuf();
    CHECK(content.str() == screen.str());
    CHECK(content.str().find("\"H\" layout  [47 44 39 67 0A]") != std::string::npos);
    std::remove(path.c_str());
}
