#include "LineName.h"

#include <cctype>

bool IsLineName(const std::string& name) {
    if (name.empty() || name.size() > 64)
        return false;
    for (unsigned char c : name)
        if (!std::isalnum(c) && c != '-')
            return false;
    return true;
}
