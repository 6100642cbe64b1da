// The Plug and Play tree of Windows 95/98/Me under HKLM\Enum, written by a test. There is none
// while the object lives other than what the test adds, and none after it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class EnumTree {
public:
    EnumTree();
    ~EnumTree();
    EnumTree(const EnumTree&) = delete;
    EnumTree& operator=(const EnumTree&) = delete;

    // An instance key (path below HKLM\Enum, e.g. L"Root\\*PNP0501\\0000"); a null text leaves
    // that value out.
    void AddInstance(const std::wstring& path, const wchar_t* portName, const wchar_t* friendlyName = nullptr);
    // A value of any type and content, for values discovery must not trust.
    void AddValue(const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD bytes);
    void AddKey(const std::wstring& path);
    // A leaf key that exists but cannot be opened for reading, as a key a program has no right to.
    void AddLockedKey(const std::wstring& path);

private:
    static void RemoveAll(std::vector<std::wstring>& locked);
    std::vector<std::wstring> locked_;
};
