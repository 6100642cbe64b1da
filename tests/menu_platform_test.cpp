// KalMenu's start-up tests run for real: the version code under each Windows version Wine can
// pretend to be, and the classic-theme test with and without the registry entry.
#include <windows.h>

#include <cstdio>
#include <string>

#include "doctest.h"
#include "menu_support/ProbeProcess.h"

namespace {

const wchar_t kProbe[] = L"menu_version_probe.exe";
const wchar_t kProbeDefaults[] = L"Software\\Wine\\AppDefaults\\menu_version_probe.exe";
const wchar_t kThemeKey[] = L"Software\\Microsoft\\Plus!\\Themes\\Current";

// A registry string value under HKEY_CURRENT_USER that is removed again when the object goes.
class TemporaryValue {
public:
    TemporaryValue(const wchar_t* keyName, const wchar_t* valueName, const std::wstring& data) : valueName_(valueName) {
        REQUIRE(::RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, 0, KEY_WRITE, nullptr, &key_, nullptr) ==
                ERROR_SUCCESS);
        const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
        REQUIRE(::RegSetValueExW(key_, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes) ==
                ERROR_SUCCESS);
    }
    ~TemporaryValue() {
        ::RegDeleteValueW(key_, valueName_);
        ::RegCloseKey(key_);
    }
    TemporaryValue(const TemporaryValue&) = delete;
    TemporaryValue& operator=(const TemporaryValue&) = delete;

private:
    const wchar_t* valueName_;
    HKEY key_ = nullptr;
};

struct ProbeAnswer {
    int versionCode = -1;
    int classicTheme = -1;
    unsigned metricsSize = 0;
    int menuFont = -1;
};

ProbeAnswer RunProbe() {
    const std::string output = RunAndCapture(SiblingProgram(kProbe));
    ProbeAnswer answer;
    REQUIRE(std::sscanf(output.c_str(), "%d %d %u %d", &answer.versionCode, &answer.classicTheme, &answer.metricsSize,
                        &answer.menuFont) == 4);
    return answer;
}

}  // namespace

TEST_CASE("the version code follows the Windows version the program runs on") {
    struct Row {
        const wchar_t* wineVersion;
        int code;
    };
    const Row rows[] = {
        {L"win31", 0},  // the 95 family's platform below major version 4 (Win32s)
        {L"win95", 2}, {L"win98", 3}, {L"winme", 4}, {L"nt40", 5},
        {L"win2k", 6}, {L"winxp", 7}, {L"win7", 1},  {L"win10", 1},
    };
    for (const Row& row : rows) {
        CAPTURE(std::string(row.wineVersion, row.wineVersion + lstrlenW(row.wineVersion)));
        TemporaryValue version(kProbeDefaults, L"Version", row.wineVersion);
        CHECK(RunProbe().versionCode == row.code);
    }
}

TEST_CASE("the menu font is asked for with the structure size the Windows version knows") {
    // 500 bytes before Vista, 504 with iPaddedBorderWidth from Vista on; the same on 32 and 64 bits.
    struct Row {
        const wchar_t* wineVersion;
        unsigned size;
    };
    for (const Row& row : {Row{L"winxp", 500}, Row{L"win2k", 500}, Row{L"win7", 504}, Row{L"win10", 504}}) {
        CAPTURE(std::string(row.wineVersion, row.wineVersion + lstrlenW(row.wineVersion)));
        TemporaryValue version(kProbeDefaults, L"Version", row.wineVersion);
        const ProbeAnswer answer = RunProbe();
        CHECK(answer.metricsSize == row.size);
        CHECK(answer.menuFont == 1);
    }
}

TEST_CASE("the classic theme is seen only when the current theme file is Windows Classic") {
    SUBCASE("no theme entry") { CHECK(RunProbe().classicTheme == 0); }
    SUBCASE("the classic theme, in any case") {
        TemporaryValue theme(kThemeKey, nullptr, L"C:\\WINDOWS\\Resources\\Themes\\windows classic.THEME");
        CHECK(RunProbe().classicTheme == 1);
    }
    SUBCASE("another theme") {
        TemporaryValue theme(kThemeKey, nullptr, L"C:\\WINDOWS\\Resources\\Themes\\Luna.theme");
        CHECK(RunProbe().classicTheme == 0);
    }
    SUBCASE("a name that only ends like the classic theme's") {
        TemporaryValue theme(kThemeKey, nullptr, L"Classic.theme");
        CHECK(RunProbe().classicTheme == 0);
    }
    SUBCASE("a path longer than the 260-byte buffer") {
        TemporaryValue theme(kThemeKey, nullptr, std::wstring(200, L'x') + L"\\Windows Classic.theme");
        CHECK(RunProbe().classicTheme == 0);
    }
}
