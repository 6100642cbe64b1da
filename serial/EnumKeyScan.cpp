// Candidates from the Plug and Play tree of Windows 95, 98 and Me: class, device and instance keys
// under HKLM\Enum, where serial devices are *PNP0500 and *PNP0501, and every device of USBPORTS.
#include "DiscoveryWays.h"
#include "framework/RegKey.h"

namespace {

constexpr DWORD kKeyNameChars = 128;
constexpr DWORD kValueBytes = 128;

bool IsSerialDevice(const std::wstring& deviceName, bool usbPorts) {
    return usbPorts || deviceName == L"*PNP0500" || deviceName == L"*PNP0501";
}

// A string value of at most kValueBytes; false when it is absent, of another type or too long.
bool ReadStringValue(HKEY key, const wchar_t* name, std::wstring& text) {
    wchar_t buffer[kValueBytes / sizeof(wchar_t) + 1] = {};  // room for a terminator the value may lack
    DWORD type = 0;
    DWORD size = kValueBytes;
    if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return false;
    text = buffer;
    return true;
}

// A later instance with the same port name stands for the same port: it replaces the earlier one.
void AddOrReplace(SerialPortArray& ports, SSerInfo& port) {
    for (SSerInfo& known : ports) {
        if (known.portName == port.portName) {
            known = port;
            return;
        }
    }
    ports.Add(port);
}

void ReadClassKey(HKEY enumKey, const std::wstring& className, SerialPortArray& ports) {
    CRegKey classKey;
    if (classKey.Open(enumKey, className.c_str()) != ERROR_SUCCESS)
        throw SerialDiscoveryError{L"Could not read from HKLM\\Enum\\" + className};
    const bool usbPorts = className == L"USBPORTS";

    std::wstring deviceName;
    for (DWORD index = 0; EnumSubkeyName(classKey.get(), index, deviceName, kKeyNameChars); ++index) {
        if (!IsSerialDevice(deviceName, usbPorts))
            continue;
        CRegKey deviceKey;
        if (deviceKey.Open(classKey.get(), deviceName.c_str()) != ERROR_SUCCESS) {
            std::wstring where = L"Could not read from HKLM\\Enum\\";
            where += className;
            where += L"\\";
            where += deviceName;
            throw SerialDiscoveryError{where};
        }
        ReadPortInstances(deviceKey.get(), usbPorts ? TRUE : FALSE, ports);
    }
}

}  // namespace

void ReadPortInstances(HKEY deviceKey, BOOL isUsb, SerialPortArray& ports) {
    std::wstring instanceName;
    for (DWORD index = 0; EnumSubkeyName(deviceKey, index, instanceName, kKeyNameChars); ++index) {
        CRegKey instanceKey;
        if (instanceKey.Open(deviceKey, instanceName.c_str()) != ERROR_SUCCESS)
            throw SerialDiscoveryError{L"Could not read from HKLM\\Enum\\...\\" + instanceName};

        SSerInfo port;
        if (!ReadStringValue(instanceKey.get(), L"PORTNAME", port.portName))
            continue;
        ReadStringValue(instanceKey.get(), L"FRIENDLYNAME", port.friendlyName);
        port.devicePath = L"\\\\.\\" + port.portName;
        port.isUsb = isUsb;
        AddOrReplace(ports, port);
    }
}

void ScanEnumKey(SerialPortArray& ports) {
    CRegKey enumKey;
    if (enumKey.Open(HKEY_LOCAL_MACHINE, L"Enum") != ERROR_SUCCESS)
        throw SerialDiscoveryError{L"Could not read from HKLM\\Enum"};

    std::wstring className;
    for (DWORD index = 0; EnumSubkeyName(enumKey.get(), index, className, kKeyNameChars); ++index)
        ReadClassKey(enumKey.get(), className, ports);
}
