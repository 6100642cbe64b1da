// COM-port devices registered with the device-installation services, with their port interface
// enabled, as a driver would leave them: what makes Wine's SetupDi calls report COM ports. None
// exist while the object lives other than what the test adds, and none after it.
#pragma once

#include <string>

class ComDevices {
public:
    ComDevices();
    ~ComDevices();
    ComDevices(const ComDevices&) = delete;
    ComDevices& operator=(const ComDevices&) = delete;

    // Registers ROOT\PORTS\<instance>; a null text leaves that property out. Returns the device
    // path of its COM-port interface. The bench links ROOT\PORTS\00NN to the line of COMNN.
    std::wstring Add(const std::wstring& instance, const wchar_t* friendlyName, const wchar_t* description,
                     const wchar_t* location = nullptr);

private:
    static void RemoveAll();
};
