// A request target taken apart: its path, the command name in it, and a value of its query.
#pragma once

#include <optional>
#include <string>

#include "Asio.h"

struct Target {
    std::string path;   // as sent, still percent-encoded
    std::string query;  // after "?", or empty
};

Target SplitTarget(beast::string_view target);
// nullopt for an escape that is not two hex digits.
std::optional<std::string> PercentDecoded(const std::string& text);
// The decoded value of NAME=VALUE in the query; empty when absent or undecodable.
std::string QueryValue(const std::string& query, const std::string& name);
