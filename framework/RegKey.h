// An open registry key, closed by its owner. Moves, never copies.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

class CRegKey {
public:
    CRegKey() = default;
    ~CRegKey() { Close(); }
    CRegKey(CRegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    CRegKey& operator=(CRegKey&& other) noexcept {
        if (this != &other) {
            Close();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    CRegKey(const CRegKey&) = delete;
    CRegKey& operator=(const CRegKey&) = delete;

    // Opens a subkey of parent with the given access; ERROR_SUCCESS or the error code.
    LONG Open(HKEY parent, const wchar_t* name, REGSAM access = KEY_READ) {
        Close();
        return ::RegOpenKeyExW(parent, name, 0, access, &key_);
    }
    // Opens the subkey, creating it first when it is missing.
    LONG Create(HKEY parent, const wchar_t* name, REGSAM access = KEY_ALL_ACCESS) {
        Close();
        return ::RegCreateKeyExW(parent, name, 0, nullptr, 0, access, nullptr, &key_, nullptr);
    }
    void Close() {
        if (key_)
            ::RegCloseKey(std::exchange(key_, nullptr));
    }
    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

// The name of the index-th subkey of key, read into a buffer of maxChars characters (terminator
// included); false when there is none or it does not fit.
inline bool EnumSubkeyName(HKEY key, DWORD index, std::wstring& name, DWORD maxChars) {
    name.assign(maxChars, L'\0');
    DWORD length = maxChars;
    if (::RegEnumKeyExW(key, index, &name[0], &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    name.resize(length);
    return true;
}
