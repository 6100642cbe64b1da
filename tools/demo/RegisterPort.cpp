// demo_port: registers the simulator's line as a COM-port device of the Wine prefix, the way a
// driver would, so the panel's Search finds it through the device-installation services:
//   demo_port.exe NUMBER      registers ROOT\PORTS\00NN, "Simulated multiviewer (COMNN)"
// Wine routes the device path to a line only through a dosdevices link, which run-panel.sh makes.
#include <windows.h>

#include <setupapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "framework/DeviceInfoSet.h"
#include "framework/RegKey.h"

namespace {

const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

bool SetText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, const std::wstring& text) {
    return ::SetupDiSetDeviceRegistryPropertyW(set, &device, property, reinterpret_cast<const BYTE*>(text.c_str()),
                                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) != FALSE;
}

// An interface counts as present only once its driver has enabled ("linked") it.
bool EnableInterface(const std::wstring& instance) {
    const std::wstring key =
        L"System\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}\\"
        L"##?#root#ports#" +
        instance + L"#{86e0d1e0-8089-11d0-9ce4-08003e301f73}\\#\\Control";
    CRegKey control;
    if (control.Create(HKEY_LOCAL_MACHINE, key.c_str()) != ERROR_SUCCESS)
        return false;
    const DWORD linked = 1;
    return ::RegSetValueExW(control.get(), L"Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked),
                            sizeof(linked)) == ERROR_SUCCESS;
}

bool Register(int number) {
    wchar_t instance[8];
    std::swprintf(instance, 8, L"%04d", number);
    const std::wstring name = L"COM" + std::to_wstring(number);
    CDeviceInfoSet set(::SetupDiCreateDeviceInfoList(&kPortsClass, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    const std::wstring id = std::wstring(L"ROOT\\PORTS\\") + instance;
    if (!set || !::SetupDiCreateDeviceInfoW(set.get(), id.c_str(), &kPortsClass, nullptr, nullptr, 0, &device) ||
        !::SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr))
        return false;
    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    return SetText(set.get(), device, SPDRP_FRIENDLYNAME, L"Simulated multiviewer (" + name + L")") &&
           SetText(set.get(), device, SPDRP_DEVICEDESC, L"Simulated multiviewer") &&
           ::SetupDiCreateDeviceInterfaceW(set.get(), &device, &kComPortInterface, nullptr, 0, &interfaceData) &&
           EnableInterface(instance);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int number = argc == 2 ? _wtoi(argv[1]) : 0;
    if (number < 1 || number > 255) {
        std::fprintf(stderr, "usage: demo_port NUMBER (1 to 255)\n");
        return 2;
    }
    if (!Register(number)) {
        std::fprintf(stderr, "demo_port: could not register COM%d (error %lu)\n", number, ::GetLastError());
        return 1;
    }
    return 0;
}
