#include "CommandNames.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

bool IsFillerWord(const std::string& word) {
    return word == "from" || word == "input" || word == "inputs" || word == "and";
}

bool IsNumber(const std::string& word) {
    return std::all_of(word.begin(), word.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The rule of CommandName, applied to any text.
std::string NameFromText(const std::string& text) {
    std::vector<std::string> words, numbers;
    std::string word;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
        if (std::isalnum(c)) {
            word += static_cast<char>(std::tolower(c));
            continue;
        }
        if (!word.empty() && !IsFillerWord(word))
            (IsNumber(word) ? numbers : words).push_back(word);
        word.clear();
    }
    words.insert(words.end(), numbers.begin(), numbers.end());
    std::string name;
    for (const std::string& w : words)
        name += (name.empty() ? "" : "-") + w;
    return name;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

std::string CommandName(const DeviceCommand& command) { return NameFromText(command.meaning); }

const DeviceCommand* FindCommand(const std::string& text) {
    if (text.size() == 2) {
        const auto upper = [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); };
        return FindCommandByCode(upper(text[0]), upper(text[1]));
    }
    const std::string name = NameFromText(text);
    for (const DeviceCommand& command : kDeviceCommands)
        if (!name.empty() && CommandName(command) == name)
            return &command;
    return nullptr;
}

std::string ClosestCommandName(const std::string& text) {
    const std::string typed = NameFromText(text);
    std::string closest;
    std::size_t best = std::string::npos;
    for (const DeviceCommand& command : kDeviceCommands) {
        const std::string name = CommandName(command);
        const std::size_t distance = EditDistance(typed, name);
        if (distance < best) {
            best = distance;
            closest = name;
        }
    }
    return closest;
}
