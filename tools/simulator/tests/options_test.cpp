// The command line, and the hex the options take.
#include <doctest/doctest.h>

#include "tools/core/Hex.h"
#include "Options.h"
#include "tools/core/TcpAddress.h"

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
    const Options listening = ParseOptions({"--listen", "127.0.0.1:7000"});
    REQUIRE(listening.listen);
    CHECK(listening.listen->host == "127.0.0.1");
    CHECK(listening.listen->port == "7000");

    SUBCASE("what cannot be used is refused with a reason") {
        CHECK_FALSE(ParseOptions({}).error.empty());
        CHECK_FALSE(ParseOptions({"--reply", "zz", "/dev/ttyS0"}).error.empty());
        CHECK_FALSE(ParseOptions({"/dev/ttyS0", "--log"}).error.empty());
        CHECK_FALSE(ParseOptions({"--bogus", "/dev/ttyS0"}).error.empty());
        CHECK_FALSE(ParseOptions({"/dev/ttyS0", "/dev/ttyS1"}).error.empty());
        CHECK_FALSE(ParseOptions({"--listen", "127.0.0.1:7000", "/dev/ttyS0"}).error.empty());
    }
}

TEST_CASE("a serial server's address is a host name or a bracketed IPv6 address and a port, nothing more") {
    const auto parsed = [](const std::string& text, PortZero zero = PortZero::Refused) {
        const std::optional<TcpAddress> address = ParseTcpAddress(text, zero);
        return address ? address->host + " " + address->port : std::string("refused");
    };
    CHECK(parsed("192.168.1.50:4001") == "192.168.1.50 4001");
    CHECK(parsed("serial-server.example:65535") == "serial-server.example 65535");
    CHECK(parsed("[fe80::1]:1") == "fe80::1 1");
    CHECK(parsed("[::ffff:192.0.2.1]:04001") == "::ffff:192.0.2.1 4001");
    CHECK(parsed("localhost:0", PortZero::AnyFreePort) == "localhost 0");
    for (const char* text : {"h:4001,crlf", "h:4001!",  "h,crlf:4001", "h!x:4001", "h x:4001", ":4001",
                             "h:",          "h",        "h:0",         "h:65536",  "h:123456", "h:-1",
                             "h:+80",       "::1:4001", "[::1:4001",   "[]:4001",  "[:4001",   "[::1]x:4001",
                             "[g::1]:4001", "h\n:4001", "tcp:h:4001"}) {
        CAPTURE(text);
        CHECK(parsed(text) == "refused");
    }
    CHECK_FALSE(ParseOptions({"--listen", "127.0.0.1:7000,fork"}).error.empty());
    CHECK_FALSE(ParseOptions({"--listen", "127.0.0.1"}).error.empty());
}
