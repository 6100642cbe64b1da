// Bytes as the log shows them ("47 45 46 67 0A") and as the options give them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

std::string HexBytes(const std::vector<std::uint8_t>& bytes);
// Pairs of hex digits, optionally separated by spaces or colons; nothing on any other text.
std::optional<std::vector<std::uint8_t>> ParseHex(const std::string& text);
