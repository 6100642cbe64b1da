// How the Panel driver reports a step the program did not complete: a failed check inside a
// test program, a line on standard error in the tools that drive the panel outside the tests.
#pragma once

#include <windows.h>

#include <string>

void ReportPanelTrouble(const std::string& what);

// UTF-8 of a text of the program, for those reports.
inline std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                           static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(size > 0 ? size : 0));
    return out;
}
