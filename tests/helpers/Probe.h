// Runs discovery_probe.exe under a chosen Windows version and reads back what discovery found.
#pragma once

#include <string>
#include <vector>

struct ProbedPort {
    std::wstring devicePath, portName, friendlyName, description;
    bool isUsb = false;
};

struct ProbeResult {
    std::vector<ProbedPort> ports;
    std::wstring error;       // empty when discovery raised none
    bool repeatable = false;  // a second call left the same list
};

// version: a name Wine's per-program Version setting takes (nt40, win98, win2k, win7...).
ProbeResult RunDiscoveryProbe(const wchar_t* version);

// The port names of the records, in order.
std::vector<std::wstring> PortNames(const ProbeResult& result);
// The friendly names of the records, in order.
std::vector<std::wstring> FriendlyNames(const ProbeResult& result);
