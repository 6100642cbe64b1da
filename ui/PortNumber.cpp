#include "PortNumber.h"

#include <algorithm>

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

int PortTextValue(const std::wstring& text) {
    if (text.empty() || text.size() > 3)
        return -1;
    int value = 0;
    for (wchar_t c : text)
        value = value * 10 + (IsDigit(c) ? c - L'0' : 0);
    return value;
}

std::uint8_t PortNumberFromText(const std::wstring& text) {
    const int value = PortTextValue(text);
    return value < 0 || value > 255 ? 0 : static_cast<std::uint8_t>(value);
}

bool IsBeyondPortRange(const std::wstring& text) {
    if (text.size() > 3)
        return std::all_of(text.begin(), text.end(), IsDigit);
    return PortTextValue(text) > 255;
}

std::wstring MakePortName(const std::wstring& digits) { return L"COM" + digits; }

std::wstring PortTextFromFriendlyName(const std::wstring& friendlyName) {
    std::wstring rest = friendlyName;
    const size_t marker = rest.find(L"(COM");
    if (marker != std::wstring::npos)
        rest.erase(0, marker + 4);
    else
        rest.erase(0, 3);
    const size_t close = rest.find(L')');
    if (close != std::wstring::npos)
        return rest.substr(0, close);
    // NT 4, and 95/98/Me without a FRIENDLYNAME, name a port by its port name alone ("COM3").
    const bool isPortName = marker == std::wstring::npos && friendlyName.compare(0, 3, L"COM") == 0;
    return isPortName ? rest : std::wstring();
}
