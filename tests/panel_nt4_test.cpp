// The shipped program where Windows reports NT 4, as XP and later do in compatibility mode there:
// discovery names each port by its port name alone, and the panel lists, opens and drives the
// ports under those names. COM12 is wired to COM22, where the device's bytes are read.
#include "PeerPort.h"
#include "Panel.h"
#include "doctest.h"
#include "helpers/WideText.h"

#include <string>
#include <vector>

using Names = std::vector<std::wstring>;

namespace {

// Wine's Version setting for the shipped exe, put back as it was when the test ends: the tests
// after this one start the same exe on the same bench.
class ShippedExeVersion {
public:
    explicit ShippedExeVersion(const wchar_t* version) {
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\Quorvex.exe", 0, nullptr, 0,
                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
            return;
        }
        DWORD bytes = sizeof(previous_) - sizeof(wchar_t);
        DWORD type = 0;
        hadPrevious_ = ::RegQueryValueExW(key_, L"Version", nullptr, &type, reinterpret_cast<BYTE*>(previous_),
                                          &bytes) == ERROR_SUCCESS &&
                       type == REG_SZ;
        Set(version);
    }
    ~ShippedExeVersion() {
        if (!key_)
            return;
        if (hadPrevious_)
            Set(previous_);
        else
            ::RegDeleteValueW(key_, L"Version");
        ::RegCloseKey(key_);
    }
    ShippedExeVersion(const ShippedExeVersion&) = delete;
    ShippedExeVersion& operator=(const ShippedExeVersion&) = delete;

    bool IsSet() const { return key_ != nullptr; }

private:
    void Set(const wchar_t* version) const {
        ::RegSetValueExW(key_, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
    }

    HKEY key_ = nullptr;
    wchar_t previous_[64] = {};
    bool hadPrevious_ = false;
};

}  // namespace

TEST_CASE("under NT 4, Search lists the bench's ports under their own numbers and COM12 carries a press") {
    const ShippedExeVersion nt4(L"nt40");
    REQUIRE(nt4.IsSet());
    PanelProcess panel;
    REQUIRE(panel.Window() != nullptr);

    panel.Click(1000);
    Names entries = panel.PortListEntries();
    if (!entries.empty() && entries.front() == L"COM1")  // the machine's own line, present or not
        entries.erase(entries.begin());
    // COM6 is held by another program; COM17 and COM22 are beyond the names NT 4 probing tries.
    CHECK(entries == Names{L"COM3", L"COM4", L"COM5", L"COM12", L"COM13", L"COM14", L"COM15", L"COM16"});

    PeerPort device(22);
    REQUIRE(device.IsOpen());
    panel.SelectPort(L"COM12");
    panel.Click(1002);
    REQUIRE(panel.Text(1002) == L"Disconnect");
    panel.Click(1003);  // "单画面 1"
    CHECK(Hex(device.Read(5, 3000)) == Hex(Bytes{0x47, 0x45, 0x46, 0x67, 0x0A}));
    panel.Click(1025);  // "待机STANDBY"
    CHECK(Hex(device.Read(5, 3000)) == Hex(Bytes{0x47, 0x44, 0x45, 0x67, 0x0A}));
}
