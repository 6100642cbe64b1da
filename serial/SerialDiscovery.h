// Finding the machine's serial ports that can be opened now, by device interfaces (Windows 2000
// and later), by the names COM1 to COM16 (NT 4) or by the Plug and Play registry (95/98/Me).
#pragma once

#include "framework/Array.h"

#include <windows.h>

#include <string>

struct SSerInfo {
    std::wstring devicePath;    // what opens the port
    std::wstring portName;      // COMn; empty for device-interface records
    std::wstring friendlyName;  // as the system names it, e.g. "Communications Port (COM1)"
    BOOL isUsb = FALSE;
    std::wstring description;
};

// Discovery failed; the text says where.
struct SerialDiscoveryError {
    std::wstring message;
};

// Empties the array and fills it in discovery order. Throws SerialDiscoveryError; records
// gathered before the failure stay in the array.
void FindSerialPorts(CArray<SSerInfo, SSerInfo&>& ports);
