// Discovery's entry: picks the way that suits the running Windows, then keeps only the ports that
// open now and fills in the names a way left empty.
#include "SerialDiscovery.h"

#include "DiscoveryWays.h"
#include "framework/Handle.h"

#include <cstdio>

namespace {

bool PortOpensNow(const std::wstring& devicePath) {
    // No sharing: a port another program holds fails here and is not offered to the user.
    HANDLE port =
        ::CreateFileW(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return false;
    CHandle closedAtOnce(port);
    return true;
}

// "Modem Port (COM4)" describes itself as "Modem Port"; names where the bracket is not a
// trailing "(...)" part are taken whole.
std::wstring DescriptionFromFriendlyName(const std::wstring& friendlyName) {
    const size_t bracket = friendlyName.find(L" (");
    const size_t close = friendlyName.find(L')');
    if (bracket != std::wstring::npos && bracket > 0 && close != std::wstring::npos && close + 1 == friendlyName.size())
        return friendlyName.substr(0, bracket);
    return friendlyName;
}

void CompleteNames(SSerInfo& port) {
    if (port.friendlyName.empty())
        port.friendlyName = port.portName;
    if (port.description.empty())
        port.description = DescriptionFromFriendlyName(port.friendlyName);
}

void KeepPortsThatOpen(SerialPortArray& ports) {
    int i = 0;
    while (i < ports.GetSize()) {
        if (!PortOpensNow(ports[i].devicePath)) {
            ports.RemoveAt(i);
            continue;
        }
        CompleteNames(ports[i]);
        ++i;
    }
}

}  // namespace

SerialDiscoveryError DiscoveryErrorWithCode(const wchar_t* format, DWORD code) {
    wchar_t text[128] = {};
    std::swprintf(text, 128, format, static_cast<unsigned long>(code));
    return SerialDiscoveryError{text};
}

void ProbeComNames(SerialPortArray& ports) {
    for (int n = 1; n <= 16; ++n) {
        SSerInfo port;
        port.portName = L"COM" + std::to_wstring(n);
        port.devicePath = L"\\\\.\\" + port.portName;
        ports.Add(port);
    }
}

void FindSerialPorts(CArray<SSerInfo, SSerInfo&>& ports) {
    ports.RemoveAll();

    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!::GetVersionExW(&version))
        throw DiscoveryErrorWithCode(L"Could not get OS version. (err=%lx)", ::GetLastError());

    if (version.dwMajorVersion >= 5)
        ScanComInterfaces(ports);
    else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
        ProbeComNames(ports);
    else
        ScanEnumKey(ports);

    KeepPortsThatOpen(ports);
}
