// The command line, and the hex the options take.
#include <doctest/doctest.h>

#include "Hex.h"
#include "Options.h"

TEST_CASE("hex text is pairs of digits, with or without separators") {
    CHECK(ParseHex("47 45 46 67 0a") == std::vector<std::uint8_t>{0x47, 0x45, 0x46, 0x67, 0x0A});
    CHECK(ParseHex("4F:4B") == std::vector<std::uint8_t>{0x4F, 0x4B});
    CHECK(ParseHex("4f4b") == std::vector<std::uint8_t>{0x4F, 0x4B});
    CHECK_FALSE(ParseHex("4"));
    CHECK_FALSE(ParseHex(""));
    CHECK_FALSE(ParseHex("0x4F"));
    CHECK(HexBytes({0x00, 0x0A, 0xFF}) == "00 0A FF");
}

TEST_CASE("the command line gives the line, the log and the bytes to send") {
    const Options options = ParseOptions({"--log", "sim.log", "--reply", "4F 4B", "--send", "00", "/dev/pts/7"});
    CHECK(options.error.empty());
    CHECK(options.line == "/dev/pts/7");
    CHECK(options.logPath == "sim.log");
    CHECK(options.reply == std::vector<std::uint8_t>{0x4F, 0x4B});
    CHECK(options.greeting == std::vector<std::uint8_t>{0x00});
    CHECK(options.pictures);
    CHECK_FALSE(ParseOptions({"--no-picture", "/dev/ttyS0"}).pictures);
    CHECK(ParseOptions({"--listen", "127.0.0.1:7000"}).listen == "127.0.0.1:7000");

    SUBCASE("what cannot be used is refused with a reason") {
        CHECK_FALSE(ParseOptions({}).error.empty());
        CHECK_FALSE(ParseOptions({"--reply", "zz", "/dev/ttyS0"}).error.empty());
        CHECK_FALSE(ParseOptions({"/dev/ttyS0", "--log"}).error.empty());
        CHECK_FALSE(ParseOptions({"--bogus", "/dev/ttyS0"}).error.empty());
        CHECK_FALSE(ParseOptions({"/dev/ttyS0", "/dev/ttyS1"}).error.empty());
        CHECK_FALSE(ParseOptions({"--listen", "127.0.0.1:7000", "/dev/ttyS0"}).error.empty());
    }
}
