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

std::vector<std::string> WordsOf(const std::string& name) {
    std::vector<std::string> words;
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t end = std::min(name.find('-', start), name.size());
        if (end > start)
            words.push_back(name.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

// A word a person meant: the same, a shortening ("sing" for single), or one slip in a longer
// word ("splt" for split). Numbers only as they stand: audio-2 is not audio-3.
bool WordMatches(const std::string& typed, const std::string& word) {
    if (typed == word)
        return true;
    if (IsNumber(typed) || IsNumber(word))
        return false;
    const bool shortening = typed.size() >= 3 && word.compare(0, typed.size(), typed) == 0;
    return shortening || (typed.size() >= 4 && EditDistance(typed, word) <= 1);
}

// How well a name fits what was typed: most typed words found in it first, so that single-1 finds
// single-screen-1 and not audio-1, which is fewer letters away; then fewest words of the name left
// over; then fewest edits.
struct Likeness {
    std::size_t wordsFound = 0;
    std::size_t wordsLeft = 0;
    std::size_t edits = 0;
    bool Beats(const Likeness& other) const {
        if (wordsFound != other.wordsFound)
            return wordsFound > other.wordsFound;
        if (wordsLeft != other.wordsLeft)
            return wordsLeft < other.wordsLeft;
        return edits < other.edits;
    }
};

Likeness LikenessOf(const std::vector<std::string>& typed, std::vector<std::string> words, std::size_t edits) {
    Likeness likeness;
    likeness.edits = edits;
    for (const std::string& typedWord : typed) {
        const auto found = std::find_if(words.begin(), words.end(),
                                        [&typedWord](const std::string& word) { return WordMatches(typedWord, word); });
        if (found == words.end())
            continue;
        ++likeness.wordsFound;
        words.erase(found);  // each word of the name answers one typed word
    }
    likeness.wordsLeft = words.size();
    return likeness;
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
    const std::vector<std::string> typed = WordsOf(NameFromText(text));
    std::string closest;
    Likeness best;
    for (const DeviceCommand& command : kDeviceCommands) {
        const std::string name = CommandName(command);
        const Likeness likeness = LikenessOf(typed, WordsOf(name), EditDistance(NameFromText(text), name));
        if (closest.empty() || likeness.Beats(best)) {
            best = likeness;
            closest = name;
        }
    }
    return closest;
}
