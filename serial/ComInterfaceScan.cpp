// Candidates from the COM-port device interfaces that the device-installation services report as
// present (Windows 2000 and later).
#include "DiscoveryWays.h"
#include "framework/DeviceInfoSet.h"

#include <cwchar>
#include <vector>

namespace {

const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

// Holds a device path of up to 128 characters and its terminator, after the size field.
constexpr DWORD kDetailBytes = 262;
constexpr DWORD kPropertyBytes = 512;

// A text property of a device; false when it is absent or does not fit in kPropertyBytes.
bool ReadTextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, std::wstring& text) {
    // One character more than the read may fill, so the text always ends.
    wchar_t buffer[kPropertyBytes / sizeof(wchar_t) + 1] = {};
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                             kPropertyBytes, nullptr))
        return false;
    text = buffer;
    return true;
}

bool IsUsbLocation(HDEVINFO set, SP_DEVINFO_DATA& device) {
    std::wstring location;
    return ReadTextProperty(set, device, SPDRP_LOCATION_INFORMATION, location) &&
           std::wcsncmp(location.c_str(), L"USB", 3) == 0;
}

// An error leaves through the owners, so the buffer and the set are released before it arrives.
void CollectInterfaces(HDEVINFO set, SerialPortArray& ports) {
    std::vector<BYTE> detailBuffer(kDetailBytes + sizeof(wchar_t), 0);
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer.data());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);

    for (DWORD index = 0;; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData{};
        interfaceData.cbSize = sizeof(interfaceData);
        if (!::SetupDiEnumDeviceInterfaces(set, nullptr, &kComPortInterface, index, &interfaceData)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_NO_MORE_ITEMS)
                return;
            throw DiscoveryErrorWithCode(L"SetupDiEnumDeviceInterfaces failed. (err=%lx)", code);
        }

        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof(device);
        if (!::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, kDetailBytes, nullptr, &device))
            throw DiscoveryErrorWithCode(L"SetupDiGetDeviceInterfaceDetail failed. (err=%lx)", ::GetLastError());

        SSerInfo port;
        if (!ReadTextProperty(set, device, SPDRP_FRIENDLYNAME, port.friendlyName) ||
            !ReadTextProperty(set, device, SPDRP_DEVICEDESC, port.description))
            continue;
        port.isUsb = IsUsbLocation(set, device) ? TRUE : FALSE;
        port.devicePath = detail->DevicePath;
        ports.Add(port);
    }
}

}  // namespace

void ScanComInterfaces(SerialPortArray& ports) {
    CDeviceInfoSet set(
        ::SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
    if (!set)
        throw DiscoveryErrorWithCode(L"SetupDiGetClassDevs failed. (err=%lx)", ::GetLastError());
    CollectInterfaces(set.get(), ports);
}
