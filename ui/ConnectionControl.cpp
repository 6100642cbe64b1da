// Connect and Disconnect, and the answer to received bytes: members of the main window.
#include "PortNumber.h"
#include "QuorvexDlg.h"
#include "app/QuorvexApp.h"
#include "res/resource.h"

void CQuorvexDlg::OnConnect() {
    if (theApp.portOpen) {
        // The worker closes the port and ends by itself; nothing here waits for it.
        ::SetEvent(serialPort.shutdownEvent.get());
        theApp.portOpen = FALSE;
        portList.EnableWindow(TRUE);
        GetDlgItem(IDC_SEARCH).EnableWindow(TRUE);
        GetDlgItem(IDC_CONNECT).SetWindowTextW(L"connect");
        return;
    }

    const std::wstring entry = portList.GetWindowTextW();
    const BYTE port = PortNumberFromText(entry.size() > 3 ? entry.substr(3) : std::wstring());
    if (!serialPort.OpenPort(this, port, baudRate, parity, dataBits, stopBits, serialEventMask)) {
        AfxMessageBox(L"Open COM   failed!", MB_OK);
        return;
    }
    portList.EnableWindow(FALSE);
    serialPort.workerThread = AfxBeginThread(&CSerialPort::PortWorker, &serialPort, THREAD_PRIORITY_NORMAL, 0, 0, nullptr);
    GetDlgItem(IDC_SEARCH).EnableWindow(FALSE);
    GetDlgItem(IDC_CONNECT).SetWindowTextW(L"Disconnect");
    theApp.portOpen = TRUE;
}

// The device is driven open-loop: what it sends back is read and dropped.
LRESULT CQuorvexDlg::OnPortByte(WPARAM, LPARAM) { return 1; }
