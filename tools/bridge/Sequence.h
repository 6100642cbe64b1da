// A sequence as clients post it: a JSON list of command names or codes and {"wait": MS} pauses.
// It is read whole before anything is sent, so a bad step anywhere sends nothing.
#pragma once

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
