// The byte-level reader of standard menu templates, on templates whole and cut short.
#include <doctest/doctest.h>

#include "widgets/MenuTemplate.h"

#include <string>
#include <vector>

using menu_template::Item;
using menu_template::Reader;

namespace {

// A template written word by word, little-endian, as the resource compiler lays it out.
class Bytes {
public:
    Bytes& Word(std::uint16_t word) {
        bytes_.push_back(static_cast<std::uint8_t>(word & 0xFF));
        bytes_.push_back(static_cast<std::uint8_t>(word >> 8));
        return *this;
    }
    Bytes& Text(const std::wstring& text) {
        for (wchar_t c : text)
            Word(static_cast<std::uint16_t>(c));
        return Word(0);
    }
    Bytes& Header(std::uint16_t version = 0, std::uint16_t offset = 0) { return Word(version).Word(offset); }
    // A heap copy of exactly the bytes, so that AddressSanitizer sees any read past the end.
    std::vector<std::uint8_t> Cut(std::size_t drop = 0) const {
        return {bytes_.begin(), bytes_.end() - static_cast<std::ptrdiff_t>(drop)};
    }

private:
    std::vector<std::uint8_t> bytes_;
};

std::vector<Item> ReadAll(const std::vector<std::uint8_t>& data, bool& complete) {
    Reader reader(data.data(), data.size());
    std::vector<Item> items;
    complete = menu_template::SkipHeader(reader);
    for (Item item; complete && menu_template::ReadItem(reader, item);)
        items.push_back(item);
    return items;
}

}  // namespace

TEST_CASE("items are read with their flags, ids and texts; popups have no id") {
    const Bytes bytes = Bytes()
                            .Header()
                            .Word(menu_template::kPopup)
                            .Text(L"&File")
                            .Word(0)
                            .Word(101)
                            .Text(L"&Open\tCtrl+O")
                            .Word(menu_template::kEnd)
                            .Word(102)
                            .Text(L"\u9000\u51fa")
                            .Word(menu_template::kEnd)
                            .Word(103)
                            .Text(L"");
    bool header = false;
    const std::vector<Item> items = ReadAll(bytes.Cut(), header);
    REQUIRE(header);
    REQUIRE(items.size() == 4);
    CHECK(items[0].flags == menu_template::kPopup);
    CHECK(items[0].id == 0);
    CHECK(items[0].text == L"&File");
    CHECK(items[1].id == 101);
    CHECK(items[1].text == L"&Open\tCtrl+O");
    CHECK(items[2].text == L"\u9000\u51fa");
    CHECK(items[3].id == 103);
    CHECK(items[3].text.empty());
}

TEST_CASE("the header's offset is skipped, and only version 0 is read") {
    bool header = false;
    CHECK(ReadAll(Bytes().Header(0, 4).Word(0xFFFF).Word(0xFFFF).Word(0).Word(7).Text(L"x").Cut(), header).size() == 1);
    CHECK(header);
    ReadAll(Bytes().Header(1, 4).Word(0).Word(0).Cut(), header);
    CHECK_FALSE(header);
    // An offset past the end is refused rather than followed.
    ReadAll(Bytes().Header(0, 5).Word(0).Word(0).Cut(), header);
    CHECK_FALSE(header);
    ReadAll(Bytes().Word(0).Cut(), header);
    CHECK_FALSE(header);
}

TEST_CASE("an item cut anywhere is refused without reading past the last byte") {
    const Bytes whole = Bytes().Header().Word(menu_template::kEnd).Word(42).Text(L"Item");
    const std::size_t itemBytes = 2 + 2 + 5 * 2;
    for (std::size_t drop = 1; drop <= itemBytes; ++drop) {
        CAPTURE(drop);
        bool header = false;
        CHECK(ReadAll(whole.Cut(drop), header).empty());
        CHECK(header);
    }
    // An odd byte after the last item is left unread.
    std::vector<std::uint8_t> odd = whole.Cut();
    odd.push_back(0x80);
    bool header = false;
    CHECK(ReadAll(odd, header).size() == 1);
}
