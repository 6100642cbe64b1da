// A sequence as clients post it: a JSON list of command names or codes (standby-on and standby-off
// too) and {"wait": MS} pauses.
// It is read whole before anything is sent, so a bad step anywhere sends nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "BridgeLine.h"

inline constexpr std::size_t kLongestSequence = 100;       // steps
inline constexpr unsigned kLongestSequenceWaitMs = 60000;  // all its waits together

struct ParsedSequence {
    std::vector<Step> steps;
    std::string error;  // why it cannot be sent; empty when it can
};

ParsedSequence ParseSequence(const std::string& body);
// A command by its name exactly (in any case) or its two-character code, or standby-on or
// standby-off; nothing before or after it, no look-alike character, so that no other text is ever
// taken for a command. nullopt for anything else.
std::optional<Step> FindCommandStep(const std::string& text);
