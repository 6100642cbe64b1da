// The shipped program started on the bench with two serial devices registered, COM3 and COM5 as a
// driver would leave them, and the device's end of COM3's cable (COM13) open.
#pragma once

#include "Panel.h"
#include "PeerPort.h"
#include "Threads.h"
#include "doctest.h"
#include "helpers/ComDevices.h"

// Two serial devices, as a driver would register them, on the lines of COM3 and COM5.
struct RegisteredPorts {
    RegisteredPorts() {
        devices.Add(L"0003", L"Communications Port (COM3)", L"Communications Port");
        devices.Add(L"0005", L"USB Serial Port (COM5)", L"USB Serial Port", L"USB 1-2");
    }
    ComDevices devices;
};

struct ConnectedPanel {
    RegisteredPorts ports;
    PeerPort peer{13};
    PanelProcess panel;
    int idleThreads = 0;  // the panel's threads before Connect

    void Connect(const wchar_t* port = L"COM3") {
        panel.Click(1000);
        panel.SelectPort(port);
        idleThreads = CountThreadsOf(panel.ProcessId());
        panel.Click(1002);
        REQUIRE(panel.Text(1002) == L"Disconnect");
    }
};
