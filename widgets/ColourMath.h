// Colour arithmetic on 0x00BBGGRR values, the layout of a COLORREF. Plain C++ with no Windows
// headers, so it is tested natively as well.
#pragma once

#include <cstdint>

// Moves each of red, green and blue the given share of the way towards 255, truncating. A share
// outside (0, 1], or not a number, leaves the colour as it is; the top byte is always cleared.
inline std::uint32_t LightenRgb(double amount, std::uint32_t colour) {
    if (!(amount > 0 && amount <= 1))
        return colour;
    auto lighten = [amount](std::uint8_t value) -> std::uint32_t {
        return static_cast<std::uint8_t>(amount * (255 - value) + value);
    };
    return lighten(colour & 0xFF) | lighten((colour >> 8) & 0xFF) << 8 | lighten((colour >> 16) & 0xFF) << 16;
}
