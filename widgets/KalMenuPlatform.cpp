// The platform tests the drawing depends on: the Windows version code and the classic theme.
#include <memory>
#include <new>

#include "KalMenu.h"

namespace {

enum VersionCode {
    kNtOther = 1,
    kWin95Family = 2,
    kWin98 = 3,
    kWinMe = 4,
    kNt4 = 5,
    kWin2000 = 6,
    kWinXP = 7,
    kWin95Early = 0,
};

int Win95FamilyCode(const OSVERSIONINFOW& version) {
    if (version.dwMajorVersion == 4 && version.dwMinorVersion == 10)
        return kWin98;
    if (version.dwMajorVersion == 4 && version.dwMinorVersion == 90)
        return kWinMe;
    return kWin95Family;
}

int NtFamilyCode(const OSVERSIONINFOW& version) {
    if (version.dwMajorVersion == 4)
        return kNt4;
    if (version.dwMajorVersion == 5 && version.dwMinorVersion == 0)
        return kWin2000;
    if (version.dwMajorVersion == 5 && version.dwMinorVersion == 1)
        return kWinXP;
    return kNtOther;
}

bool EndsWithClassicTheme(const wchar_t* path) {
    static const wchar_t kClassic[] = L"Windows Classic.theme";
    const size_t suffix = sizeof kClassic / sizeof kClassic[0] - 1;
    const size_t length = lstrlenW(path);
    return length >= suffix && ::lstrcmpiW(path + length - suffix, kClassic) == 0;
}

bool ReadClassicTheme() {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Plus!\\Themes\\Current", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return false;
    wchar_t value[130 + 1] = {};  // 260 bytes, plus a terminator the registry may not store
    DWORD type = 0;
    DWORD size = 260;
    const LONG read = ::RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && EndsWithClassicTheme(value);
}

}  // namespace

int KalMenu::GetWindowsVersionCode() {
    const DWORD packed = ::GetVersion();
    const bool win95Family = (packed & 0x80000000u) != 0;
    if (win95Family && LOBYTE(LOWORD(packed)) < 4)
        return kWin95Early;
    std::unique_ptr<OSVERSIONINFOW> version(new (std::nothrow) OSVERSIONINFOW{});
    if (!version)
        return win95Family ? kWin95Family : kNtOther;
    version->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    ::GetVersionExW(version.get());
    return win95Family ? Win95FamilyCode(*version) : NtFamilyCode(*version);
}

bool KalMenu::IsClassicTheme() {
    static const bool classic = ReadClassicTheme();
    return classic;
}

bool KalMenu::IsThemedXP() { return s_windowsVersion == kWinXP && !IsClassicTheme(); }
