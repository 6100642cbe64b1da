// doctest for the win32 thread model: no std::mutex there, and the tests run on one thread.
// The program's texts are UTF-16: failures print them as UTF-8, not as "{?}".
#pragma once
#define DOCTEST_CONFIG_NO_MULTITHREADING
#include <doctest/doctest.h>

#include "PanelTrouble.h"

#include <cstddef>
#include <string>
#include <vector>

namespace doctest {

// Narrow texts too (CAPTURE of a const char* would print its address); comparisons unchanged.
template <>
struct StringMaker<const char*> {
    static String convert(const char* text) { return text ? String("\"") + text + "\"" : String("{null string}"); }
};

template <>
struct StringMaker<char*> : StringMaker<const char*> {};

template <>
struct StringMaker<std::wstring> {
    static String convert(const std::wstring& text) { return ("\"" + Utf8(text) + "\"").c_str(); }
};

template <>
struct StringMaker<const wchar_t*> {
    static String convert(const wchar_t* text) {
        return text ? StringMaker<std::wstring>::convert(text) : String("{null string}");
    }
};

template <>
struct StringMaker<wchar_t*> : StringMaker<const wchar_t*> {};

// Literals: L"Connect" reaches doctest as an array.
template <std::size_t N>
struct StringMaker<wchar_t[N]> {
    static String convert(const wchar_t (&text)[N]) { return StringMaker<const wchar_t*>::convert(text); }
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
