// The panel as a user unpacks it from the release zip (QUORVEX_EXE): it shows its window and its
// About box, its version resource says what the About box says, and it closes cleanly.
#include <windows.h>

#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "Panel.h"
#include "Wait.h"

namespace {

constexpr UINT kAboutCommand = 16;

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

// The texts of a dialog's static text controls, in template order.
std::vector<std::wstring> StaticTexts(HWND dialog) {
    std::vector<std::wstring> texts;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        ::GetClassNameW(child, className, 32);
        const bool icon = (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if (::lstrcmpiW(className, L"Static") == 0 && !icon)
            texts.push_back(TextOf(child));
    }
    return texts;
}

// The exe's version resource as Explorer's Properties read it.
class VersionResource {
public:
    explicit VersionResource(const std::wstring& exe) {
        DWORD ignored = 0;
        data_.resize(::GetFileVersionInfoSizeW(exe.c_str(), &ignored));
        if (data_.empty() || !::GetFileVersionInfoW(exe.c_str(), 0, static_cast<DWORD>(data_.size()), data_.data()))
            data_.clear();
    }
    bool Found() const { return !data_.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const { return static_cast<const VS_FIXEDFILEINFO*>(Query(L"\\")); }

    // A text of the first language the resource lists.
    std::wstring Text(const std::wstring& name) const {
        const auto* language = static_cast<const WORD*>(Query(L"\\VarFileInfo\\Translation"));
        if (!language)
            return L"";
        wchar_t path[128];
        ::wsprintfW(path, L"\\StringFileInfo\\%04x%04x\\%s", language[0], language[1], name.c_str());
        const auto* text = static_cast<const wchar_t*>(Query(path));
        return text ? text : L"";
    }

private:
    const void* Query(const std::wstring& path) const {
        void* value = nullptr;
        UINT size = 0;
        if (data_.empty() || !::VerQueryValueW(data_.data(), path.c_str(), &value, &size) || size == 0)
            return nullptr;
        return value;
    }
    std::vector<BYTE> data_;
};

std::wstring FileNameOf(const std::wstring& path) { return path.substr(path.find_last_of(L"\\/") + 1); }

}  // namespace

TEST_CASE("the unpacked panel shows its window and About box, carries their version, and closes cleanly") {
    PanelProcess panel;
    REQUIRE(panel.Window() != nullptr);
    CHECK(TextOf(panel.Window()) == L"Quorvex  V1.00");

    ::PostMessageW(panel.Window(), WM_SYSCOMMAND, kAboutCommand, 0);
    HWND about = nullptr;
    REQUIRE(WaitUntil([&] { return (about = panel.FindWindowByCaption(L"关于 Quorvex")) != nullptr; }));
    const std::vector<std::wstring> aboutTexts = StaticTexts(about);
    REQUIRE(aboutTexts.size() == 2);
    CHECK(aboutTexts[0] == L"Quorvex，1.0 版");
    ::PostMessageW(::GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    CHECK(WaitUntil([&] { return !::IsWindow(about); }));

    const VersionResource version(PanelExePath());
    REQUIRE(version.Found());
    REQUIRE(version.Fixed() != nullptr);
    CHECK(version.Fixed()->dwFileVersionMS == MAKELONG(0, 1));
    CHECK(version.Fixed()->dwFileVersionLS == 0);
    CHECK(version.Fixed()->dwProductVersionMS == MAKELONG(0, 1));
    CHECK(version.Text(L"FileVersion") == L"1.0");
    CHECK(version.Text(L"ProductVersion") == L"1.0");
    CHECK(version.Text(L"ProductName") == L"Quorvex");
    CHECK(version.Text(L"LegalCopyright") == aboutTexts[1]);
    CHECK(version.Text(L"OriginalFilename") == FileNameOf(PanelExePath()));
    CHECK_FALSE(version.Text(L"FileDescription").empty());

    // The close box, as a user ends the program.
    ::PostMessageW(panel.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD exitCode = 1;
    CHECK(panel.WaitForExit(10000, &exitCode));
    CHECK(exitCode == 0);
}
