// Reading a standard menu template byte by byte. Plain C++ with no Windows headers, so the
// reader can be tested and fuzzed natively; the loader builds the menu from what it reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace menu_template {

// The item flags the reader itself looks at; the loader checks they match MF_POPUP and MF_END.
inline constexpr std::uint16_t kPopup = 0x0010;
inline constexpr std::uint16_t kEnd = 0x0080;

// Reads a menu template without ever stepping past the resource's last byte.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : next_(data), end_(data + size) {}

    bool Skip(std::size_t bytes) {
        if (static_cast<std::size_t>(end_ - next_) < bytes)
            return false;
        next_ += bytes;
        return true;
    }
    bool ReadWord(std::uint16_t& word) {
        if (end_ - next_ < 2)
            return false;
        word = static_cast<std::uint16_t>(next_[0] | (next_[1] << 8));
        next_ += 2;
        return true;
    }
    bool ReadString(std::wstring& text) {
        text.clear();
        for (std::uint16_t unit = 0; ReadWord(unit);) {
            if (unit == 0)
                return true;
            text.push_back(static_cast<wchar_t>(unit));
        }
        return false;
    }

private:
    const std::uint8_t* next_;
    const std::uint8_t* end_;
};

struct Item {
    std::uint16_t flags = 0;
    std::uint16_t id = 0;
    std::wstring text;
};

// A popup item has no command id: its text follows the flags directly.
inline bool ReadItem(Reader& reader, Item& item) {
    item.id = 0;
    if (!reader.ReadWord(item.flags))
        return false;
    if (!(item.flags & kPopup) && !reader.ReadWord(item.id))
        return false;
    return reader.ReadString(item.text);
}

// Skips the header; only the standard template (version 0) is understood.
inline bool SkipHeader(Reader& reader) {
    std::uint16_t version = 0;
    std::uint16_t offset = 0;
    return reader.ReadWord(version) && reader.ReadWord(offset) && version == 0 && reader.Skip(offset);
}

}  // namespace menu_template
