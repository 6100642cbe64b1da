// A line's name: in the API's paths (/api/lines/NAME/...), in the broker's topics and in a hub's
// identifiers alike, so it holds only what all three take.
#pragma once

#include <string>

// Letters, digits and hyphens, 1 to 64 of them.
bool IsLineName(const std::string& name);
