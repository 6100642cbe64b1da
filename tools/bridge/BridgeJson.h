// The API's answers as JSON: the command table's rows, the frames sent, the assumed state.
#pragma once

#include <nlohmann/json.hpp>

#include "AssumedState.h"

nlohmann::json CommandJson(const DeviceCommand& command);
nlohmann::json SentFrameJson(const SentFrame& frame);

struct LineStatus {
    std::string name;
    std::string goneReason;  // empty while open
};

struct RawCounts {
    std::uint64_t forwarded = 0;  // whole frames put in the queue
    std::uint64_t dropped = 0;    // noise, torn frames, unknown codes, frames refused by a full queue
};

nlohmann::json StateJson(const AssumedSnapshot& snapshot, const LineStatus& line, const RawCounts& raw);
