// The API's answers as JSON: the command table's rows, the frames sent, the assumed state.
#pragma once

#include <nlohmann/json.hpp>

#include "BridgeLine.h"

struct HttpCounts {
    std::uint64_t connections = 0;  // open now
    std::uint64_t evicted = 0;      // closed, the idlest, to let a new one in
};

nlohmann::json CommandJson(const DeviceCommand& command);
nlohmann::json SentFrameJson(const SentFrame& frame);
nlohmann::json SentListJson(const std::vector<SentFrame>& frames);
nlohmann::json StateJson(BridgeLine& line, const HttpCounts& http);
