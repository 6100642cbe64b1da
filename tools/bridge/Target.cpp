#include "Target.h"

#include <cctype>

namespace {

int HexValue(char c) {
    if (std::isdigit(static_cast<unsigned char>(c)))
        return c - '0';
    const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

}  // namespace

Target SplitTarget(beast::string_view target) {
    const std::size_t mark = target.find('?');
    if (mark == beast::string_view::npos)
        return {std::string(target), {}};
    return {std::string(target.substr(0, mark)), std::string(target.substr(mark + 1))};
}

std::optional<std::string> PercentDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const int high = i + 2 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            return std::nullopt;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
}

std::string QueryValue(const std::string& query, const std::string& name) {
    for (std::size_t start = 0; start <= query.size();) {
        std::size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string pair = query.substr(start, end - start);
        if (pair.compare(0, name.size() + 1, name + "=") == 0)
            return PercentDecoded(pair.substr(name.size() + 1)).value_or("");
        start = end + 1;
    }
    return {};
}
