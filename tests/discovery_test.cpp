// Port discovery run for real, in a separate program that Wine shows the Windows version under
// test: NT 4 against the bench's COM ports, 95/98/Me against an Enum tree written here, and
// 2000 and later against COM-port devices registered here with the device-installation services.
#include "doctest.h"
#include "helpers/ComDevices.h"
#include "helpers/EnumTree.h"
#include "helpers/Probe.h"
#include "helpers/WideText.h"
#include "support/Panel.h"
#include "ui/PortNumber.h"

#include <string>
#include <vector>

using Names = std::vector<std::wstring>;

namespace {

const ProbedPort* Find(const ProbeResult& result, const std::wstring& friendlyName) {
    for (const ProbedPort& port : result.ports)
        if (port.friendlyName == friendlyName)
            return &port;
    return nullptr;
}

// The port list's entries for the records, by the port-number rule of Search (no port here is
// above 255, so none is left out).
Names ListedAs(const ProbeResult& result) {
    Names entries;
    for (const ProbedPort& port : result.ports)
        entries.push_back(
            MakePortName(std::to_wstring(PortNumberFromText(PortTextFromFriendlyName(port.friendlyName)))));
    return entries;
}

bool Opens(const wchar_t* devicePath) {
    HANDLE port = ::CreateFileW(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(port);
    return true;
}

}  // namespace

TEST_CASE("on NT 4 the ports COM1 to COM16 that open now are found, by name") {
    const ProbeResult result = RunDiscoveryProbe(L"nt40");
    CHECK(result.error.empty());
    CHECK(result.repeatable);

    Names names = PortNames(result);
    if (!names.empty() && names.front() == L"COM1")  // the machine's own line, present or not
        names.erase(names.begin());
    // COM6 is held by another program; COM17, which opens, and COM22 are beyond the sixteen names.
    CHECK(names == Names{L"COM3", L"COM4", L"COM5", L"COM12", L"COM13", L"COM14", L"COM15", L"COM16"});
    CHECK(Opens(L"\\\\.\\COM17"));
    for (const ProbedPort& port : result.ports) {
        CAPTURE(port.portName);
        CHECK(port.devicePath == L"\\\\.\\" + port.portName);
        CHECK(port.friendlyName == port.portName);
        CHECK(port.description == port.portName);
        CHECK_FALSE(port.isUsb);
    }
}

TEST_CASE("on Windows 98 the serial devices of HKLM\\Enum are found") {
    EnumTree tree;

    SUBCASE("without an Enum key the walk fails") {
        const ProbeResult result = RunDiscoveryProbe(L"win98");
        CHECK(result.error == L"Could not read from HKLM\\Enum");
        CHECK(result.ports.empty());
    }

    SUBCASE("serial classes, USB ports, replaced and unreadable instances") {
        tree.AddInstance(L"BIOS\\*PNP0500\\0000", L"COM4");
        tree.AddInstance(L"BIOS\\*PNP0500\\0001", nullptr, L"No Port Name (COM9)");
        tree.AddInstance(L"BIOS\\*PNP0500\\0002", L"COM19", L"Absent (COM19)");
        tree.AddInstance(L"BIOS\\*PNP0500\\0003", L"COM6", L"Held (COM6)");
        tree.AddInstance(L"BIOS\\*pnp0501\\0000", L"COM14", L"Lower Case Device (COM14)");
        tree.AddInstance(L"BIOS\\*PNP0502\\0000", L"COM13", L"Other Device (COM13)");
        tree.AddInstance(L"Root\\*PNP0501\\0000", L"COM3", L"Communications Port (COM3)");
        tree.AddInstance(L"Root\\*PNP0501\\0001", L"COM5", L"First Port (COM5)");
        tree.AddInstance(L"Root\\*PNP0501\\0002", L"COM3", L"Replacement Port (COM3)");
        const std::wstring tooLong(64, L'C');  // 130 bytes with its terminator: over the 128-byte buffer
        tree.AddInstance(L"Root\\*PNP0501\\0003", tooLong.c_str(), L"Long Name (COM13)");
        const DWORD number = 13;
        tree.AddValue(L"Root\\*PNP0501\\0004", L"PORTNAME", REG_DWORD, &number, sizeof(number));
        tree.AddInstance(L"Root\\*PNP0501\\0005", L"COM12", std::wstring(100, L'F').c_str());
        tree.AddInstance(L"USBPORTS\\VID_1A86\\0000", L"COM15", L"USB Serial Port (COM15)");
        // A key name over the 128-character buffer ends the walk without an error.
        tree.AddInstance(L"Z" + std::wstring(130, L'z') + L"\\*PNP0500\\0000", L"COM22", L"Never Reached (COM22)");

        const ProbeResult result = RunDiscoveryProbe(L"win98");
        CHECK(result.error.empty());
        CHECK(result.repeatable);
        CHECK(PortNames(result) == Names{L"COM4", L"COM3", L"COM5", L"COM12", L"COM15"});
        CHECK(FriendlyNames(result) ==
              Names{L"COM4", L"Replacement Port (COM3)", L"First Port (COM5)", L"COM12", L"USB Serial Port (COM15)"});
        // Instances without a readable FRIENDLYNAME are listed under the number of their port name.
        CHECK(ListedAs(result) == Names{L"COM4", L"COM3", L"COM5", L"COM12", L"COM15"});
        const Names descriptions = {L"COM4", L"Replacement Port", L"First Port", L"COM12", L"USB Serial Port"};
        for (size_t i = 0; i < result.ports.size() && i < descriptions.size(); ++i) {
            const ProbedPort& port = result.ports[i];
            CAPTURE(port.portName);
            CHECK(port.description == descriptions[i]);
            CHECK(port.devicePath == L"\\\\.\\" + port.portName);
            CHECK(port.isUsb == (port.portName == L"COM15"));
        }
    }

    SUBCASE("class and device names are compared exactly") {
        tree.AddInstance(L"UsbPorts\\VID_1A86\\0000", L"COM14", L"Not A Usb Class (COM14)");
        tree.AddInstance(L"UsbPorts\\*PNP0501\\0000", L"COM22", L"Serial Under UsbPorts (COM22)");
        const ProbeResult result = RunDiscoveryProbe(L"win98");
        CHECK(FriendlyNames(result) == Names{L"Serial Under UsbPorts (COM22)"});
        REQUIRE(result.ports.size() == 1);
        CHECK_FALSE(result.ports[0].isUsb);
    }

    SUBCASE("a key that cannot be opened stops the walk with its path; what was found stays as found") {
        tree.AddInstance(L"BIOS\\*PNP0500\\0000", L"COM19");  // would be dropped by the test-open
        std::wstring expected;
        SUBCASE("class key") {
            tree.AddLockedKey(L"Locked");
            expected = L"Could not read from HKLM\\Enum\\Locked";
        }
        SUBCASE("device key") {
            tree.AddLockedKey(L"Root\\*PNP0501");
            expected = L"Could not read from HKLM\\Enum\\Root\\*PNP0501";
        }
        SUBCASE("device key of USB ports") {
            tree.AddLockedKey(L"USBPORTS\\VID_1A86");
            expected = L"Could not read from HKLM\\Enum\\USBPORTS\\VID_1A86";
        }
        SUBCASE("instance key") {
            tree.AddInstance(L"Root\\*PNP0501\\0000", L"COM3");
            tree.AddLockedKey(L"Root\\*PNP0501\\0001");
            expected = L"Could not read from HKLM\\Enum\\...\\0001";
        }
        const ProbeResult result = RunDiscoveryProbe(L"win98");
        CHECK(result.error == expected);
        REQUIRE_FALSE(result.ports.empty());
        CHECK(result.ports[0].portName == L"COM19");
        CHECK(result.ports[0].friendlyName.empty());
    }

    SUBCASE("a device key that is not a serial device is never opened") {
        tree.AddInstance(L"Root\\*PNP0501\\0000", L"COM3", L"Communications Port (COM3)");
        tree.AddLockedKey(L"Root\\*PNP0400");
        const ProbeResult result = RunDiscoveryProbe(L"win98");
        CHECK(result.error.empty());
        CHECK(PortNames(result) == Names{L"COM3"});
    }
}

TEST_CASE("on Windows 2000 and later the present COM-port interfaces are found") {
    ComDevices devices;

    SUBCASE("names, descriptions and USB locations as the system gives them") {
        devices.Add(L"0005", L"USB Serial Port (COM5)", L"USB-SERIAL CH340", L"USB Port #2");
        devices.Add(L"0003", L"Communications Port (COM3)", L"Communications Port", L"usb hub, lower case");
        devices.Add(L"0004", L"Modem Port (COM4)", nullptr, L"USB Port #3");    // no description: skipped
        devices.Add(L"0012", nullptr, L"No Friendly Name", nullptr);            // skipped
        devices.Add(L"0006", L"Held Port (COM6)", L"Held Port", nullptr);       // held by another program
        devices.Add(L"0017", L"Absent Port (COM17)", L"Absent Port", nullptr);  // no line behind it

        for (const wchar_t* version : {L"win2k", L"winxp", L"win7"}) {
            CAPTURE(std::wstring(version));
            const ProbeResult result = RunDiscoveryProbe(version);
            CHECK(result.error.empty());
            CHECK(result.repeatable);
            REQUIRE(result.ports.size() == 2);
            const ProbedPort* usb = Find(result, L"USB Serial Port (COM5)");
            const ProbedPort* plain = Find(result, L"Communications Port (COM3)");
            REQUIRE(usb);
            REQUIRE(plain);
            CHECK(usb->devicePath == L"\\\\?\\root#ports#0005#{86e0d1e0-8089-11d0-9ce4-08003e301f73}");
            CHECK(usb->portName.empty());
            CHECK(usb->description == L"USB-SERIAL CH340");
            CHECK(usb->isUsb);
            CHECK(plain->description == L"Communications Port");
            CHECK_FALSE(plain->isUsb);
        }
    }

    SUBCASE("an empty description is made from the friendly name") {
        std::wstring friendlyName, description;
        SUBCASE("a trailing bracket is cut off") {
            friendlyName = L"Modem Port (COM4)";
            description = L"Modem Port";
        }
        SUBCASE("a name that starts with its bracket is kept whole") {
            friendlyName = L" (COM4)";
            description = L" (COM4)";
        }
        SUBCASE("a name whose first bracket closes early is kept whole") {
            friendlyName = L"Port (A) (COM4)";
            description = L"Port (A) (COM4)";
        }
        SUBCASE("a name without a closing bracket is kept whole") {
            friendlyName = L"Port (COM4";
            description = L"Port (COM4";
        }
        devices.Add(L"0004", friendlyName.c_str(), L"");
        const ProbeResult result = RunDiscoveryProbe(L"winxp");
        REQUIRE(result.ports.size() == 1);
        CHECK(result.ports[0].friendlyName == friendlyName);
        CHECK(result.ports[0].description == description);
    }

    SUBCASE("a friendly name fills the 512-byte buffer at most") {
        const std::wstring longest = std::wstring(248, L'N') + L" (COM4)";  // 255 characters and the terminator
        const std::wstring tooLong = std::wstring(249, L'N') + L" (COM3)";
        devices.Add(L"0004", longest.c_str(), L"Longest");
        devices.Add(L"0003", tooLong.c_str(), L"Too Long");
        const ProbeResult result = RunDiscoveryProbe(L"winxp");
        CHECK(FriendlyNames(result) == Names{longest});
    }

    SUBCASE("a device path over 128 characters stops discovery") {
        // "\\?\root#ports#" and "#{...}" take 54 characters around the instance name.
        devices.Add(std::wstring(74, L'A'), L"Path Of 128 (COM9)", L"Path Of 128");
        SUBCASE("128 characters fit") {
            const ProbeResult result = RunDiscoveryProbe(L"winxp");
            CHECK(result.error.empty());
            CHECK(result.ports.empty());  // nothing behind that path opens
        }
        SUBCASE("129 do not") {
            devices.Add(std::wstring(75, L'B'), L"Path Of 129 (COM9)", L"Path Of 129");
            const ProbeResult result = RunDiscoveryProbe(L"winxp");
            CHECK(result.error == L"SetupDiGetDeviceInterfaceDetail failed. (err=7a)");
        }
    }

    SUBCASE("no devices, no ports") {
        const ProbeResult result = RunDiscoveryProbe(L"win7");
        CHECK(result.error.empty());
        CHECK(result.ports.empty());
    }
}

TEST_CASE("Search in the shipped program lists the ports it finds and enables Connect") {
    ComDevices devices;
    devices.Add(L"0005", L"USB Serial Port (COM5)", L"USB Serial Port", L"USB Port #1");
    devices.Add(L"0003", L"Communications Port (COM3)", L"Communications Port");
    PanelProcess panel;
    REQUIRE(panel.Window());
    CHECK_FALSE(panel.Enabled(1002));
    panel.Click(1000);
    CHECK(panel.PortListEntries() == Names{L"COM3", L"COM5"});
    // Another process's combo box has no window text to read; its selected index tells.
    CHECK(::SendMessageW(panel.Control(1001), CB_GETCURSEL, 0, 0) == 0);
    CHECK(panel.Enabled(1002));
}
