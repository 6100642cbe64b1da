// Port texts and friendly names of any content: each byte is one character (Latin-1), enough to
// spell every marker the parsers look for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ui/PortNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::wstring text(data, data + size);

    const std::wstring digits = PortTextFromFriendlyName(text);
    // What comes out is a piece of the name that never runs into the closing bracket.
    if (text.find(digits) == std::wstring::npos || digits.find(L')') != std::wstring::npos)
        std::abort();

    for (const std::wstring& candidate : {text, digits}) {
        const int value = PortTextValue(candidate);
        if (value < -1 || value > 999)
            std::abort();
        const std::uint8_t port = PortNumberFromText(candidate);
        // A port number is only ever read from a text that is within the range.
        if (port != 0 && (IsBeyondPortRange(candidate) || port != value))
            std::abort();
    }
    if (MakePortName(digits).compare(3, std::wstring::npos, digits) != 0)
        std::abort();
    return 0;
}
