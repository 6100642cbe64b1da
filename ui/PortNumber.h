// Port numbers and the texts they come from: "COM" names in the list, "(COMn)" in friendly names.
// Plain C++, no Windows headers.
#pragma once

#include <cstdint>
#include <string>

// The decimal value of a text of one to three characters; non-digits count as 0 in their place.
// -1 for an empty text or one longer than three characters.
int PortTextValue(const std::wstring& text);

// The port number of a text: 0 when no number can be read or it does not fit in 8 bits.
std::uint8_t PortNumberFromText(const std::wstring& text);

// True when the text reads as a number that no port byte holds: a value above 255, or more than
// three characters that are all digits.
bool IsBeyondPortRange(const std::wstring& text);

// "COM" followed by the text.
std::wstring MakePortName(const std::wstring& digits);

// The text between the first "(COM" and the next ")" of a friendly name. Without "(COM", the
// name less its first three characters stands in; without a ")" after it, nothing remains,
// unless the name is a bare port name such as "COM12", whose number text is what follows "COM".
std::wstring PortTextFromFriendlyName(const std::wstring& friendlyName);
