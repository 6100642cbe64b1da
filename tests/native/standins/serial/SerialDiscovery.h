// Stands in for the discovery header when the port table is built natively: only the record a
// Search returns, with the fields the port table reads.
#pragma once

#include <string>

using BOOL = int;

struct SSerInfo {
    std::wstring devicePath;
    std::wstring portName;
    std::wstring friendlyName;
    BOOL isUsb = 0;
    std::wstring description;
};
