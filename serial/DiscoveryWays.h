// The three ways of gathering candidate ports, one per family of Windows, shared by discovery's
// source files. Each appends records to the caller's array and throws SerialDiscoveryError.
#pragma once

#include "SerialDiscovery.h"

using SerialPortArray = CArray<SSerInfo, SSerInfo&>;

// Windows 2000 and later: the present COM-port device interfaces.
void ScanComInterfaces(SerialPortArray& ports);
// Windows NT 4: the names COM1 to COM16, all of them; the test-open keeps those that exist.
void ProbeComNames(SerialPortArray& ports);
// Windows 95, 98 and Me: the serial devices of the Plug and Play tree under HKLM\Enum.
void ScanEnumKey(SerialPortArray& ports);
// The port instances under one device key of that tree.
void ReadPortInstances(HKEY deviceKey, BOOL isUsb, SerialPortArray& ports);

// An error whose text is format with the system error code put in its "%lx".
SerialDiscoveryError DiscoveryErrorWithCode(const wchar_t* format, DWORD code);
