#include "ComDevices.h"

#include "framework/DeviceInfoSet.h"
#include "framework/RegKey.h"

#include <shlwapi.h>

#include <cwctype>

namespace {

const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};
const wchar_t kInterfaceKey[] =
    L"System\\CurrentControlSet\\Control\\DeviceClasses\\{86e0d1e0-8089-11d0-9ce4-08003e301f73}";

void SetTextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, const wchar_t* text) {
    if (text)
        ::SetupDiSetDeviceRegistryPropertyW(set, &device, property, reinterpret_cast<const BYTE*>(text),
                                            static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
}

// The interface counts as present only once the driver has enabled ("linked") it.
void EnableInterface(const std::wstring& instance) {
    std::wstring symbolic = L"##?#ROOT#PORTS#" + instance + L"#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
    for (wchar_t& c : symbolic)
        c = static_cast<wchar_t>(std::towlower(c));
    CRegKey control;
    control.Create(HKEY_LOCAL_MACHINE, (std::wstring(kInterfaceKey) + L"\\" + symbolic + L"\\#\\Control").c_str());
    const DWORD linked = 1;
    ::RegSetValueExW(control.get(), L"Linked", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&linked), sizeof(linked));
}

}  // namespace

ComDevices::ComDevices() { RemoveAll(); }

ComDevices::~ComDevices() { RemoveAll(); }

void ComDevices::RemoveAll() {
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, kInterfaceKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kInterfaceKey);
    ::SHDeleteKeyW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Enum\\ROOT\\PORTS");
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Enum\\ROOT\\PORTS");
}

std::wstring ComDevices::Add(const std::wstring& instance, const wchar_t* friendlyName, const wchar_t* description,
                             const wchar_t* location) {
    CDeviceInfoSet set(::SetupDiCreateDeviceInfoList(&kPortsClass, nullptr));
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    const std::wstring id = L"ROOT\\PORTS\\" + instance;
    if (!::SetupDiCreateDeviceInfoW(set.get(), id.c_str(), &kPortsClass, nullptr, nullptr, 0, &device) ||
        !::SetupDiRegisterDeviceInfo(set.get(), &device, 0, nullptr, nullptr, nullptr))
        return {};
    SetTextProperty(set.get(), device, SPDRP_FRIENDLYNAME, friendlyName);
    SetTextProperty(set.get(), device, SPDRP_DEVICEDESC, description);
    SetTextProperty(set.get(), device, SPDRP_LOCATION_INFORMATION, location);

    SP_DEVICE_INTERFACE_DATA interfaceData{};
    interfaceData.cbSize = sizeof(interfaceData);
    if (!::SetupDiCreateDeviceInterfaceW(set.get(), &device, &kComPortInterface, nullptr, 0, &interfaceData))
        return {};
    EnableInterface(instance);

    std::wstring path = L"\\\\?\\root#ports#" + instance + L"#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";
    for (wchar_t& c : path)
        c = static_cast<wchar_t>(std::towlower(c));
    return path;
}
