// Lightening a colour towards white, byte by byte.
#include <doctest/doctest.h>

#include "widgets/ColourMath.h"

#include <limits>

namespace {

constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r | g << 8 | b << 16; }

}  // namespace

TEST_CASE("each byte moves the share of its distance to white, truncating") {
    CHECK(LightenRgb(0.85, Rgb(0, 120, 255)) == Rgb(216, 234, 255));
    CHECK(LightenRgb(0.5, Rgb(1, 2, 3)) == Rgb(128, 128, 129));
    CHECK(LightenRgb(1.0, Rgb(10, 20, 30)) == Rgb(255, 255, 255));
    // The smallest share still truncates back to the colour itself.
    CHECK(LightenRgb(std::numeric_limits<double>::denorm_min(), Rgb(10, 20, 30)) == Rgb(10, 20, 30));
}

TEST_CASE("bytes never carry into their neighbours, and the top byte is cleared") {
    CHECK(LightenRgb(1.0, 0x00FFFFFF) == 0x00FFFFFF);
    CHECK(LightenRgb(0.5, 0xFF000000) == Rgb(127, 127, 127));
    CHECK(LightenRgb(0.999, Rgb(254, 0, 254)) == Rgb(254, 254, 254));
}

TEST_CASE("a share outside (0, 1] leaves the colour as it is") {
    const std::uint32_t colour = 0xAB123456;
    CHECK(LightenRgb(0.0, colour) == colour);
    CHECK(LightenRgb(-0.5, colour) == colour);
    CHECK(LightenRgb(1.01, colour) == colour);
    CHECK(LightenRgb(std::numeric_limits<double>::infinity(), colour) == colour);
    CHECK(LightenRgb(std::numeric_limits<double>::quiet_NaN(), colour) == colour);
}
