// Lets doctest print the program's UTF-16 texts, and lists of them, in its reports.
#pragma once

#include "doctest.h"

#include <windows.h>

#include <string>
#include <vector>

namespace doctest {

template <>
struct StringMaker<std::wstring> {
    static String convert(const std::wstring& text) {
        std::string out(text.size() * 3 + 1, '\0');
        const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0],
                                               static_cast<int>(out.size()), nullptr, nullptr);
        out.resize(static_cast<size_t>(size));
        return ("\"" + out + "\"").c_str();
    }
};

template <>
struct StringMaker<std::vector<std::wstring>> {
    static String convert(const std::vector<std::wstring>& texts) {
        String out = "{";
        for (size_t i = 0; i < texts.size(); ++i)
            out += (i ? ", " : "") + StringMaker<std::wstring>::convert(texts[i]);
        return out + "}";
    }
};

}  // namespace doctest
