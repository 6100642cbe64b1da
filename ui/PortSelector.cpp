// Search and the port list: members of the main window.
#include "PortList.h"
#include "QuorvexDlg.h"
#include "framework/App.h"
#include "res/resource.h"
#include "serial/SerialDiscovery.h"

namespace {

// Process-wide, as the list it describes.
CPortList portTables;

}  // namespace

void CQuorvexDlg::OnSearch() {
    GetDlgItem(IDC_CONNECT).EnableWindow(TRUE);

    CArray<SSerInfo, SSerInfo&> ports;
    try {
        FindSerialPorts(ports);
    } catch (const SerialDiscoveryError& error) {
        // The list and the tables stay as they were; the user learns why nothing changed.
        AfxMessageBox(error.message.c_str(), MB_OK);
        return;
    }

    const int count = portTables.TakeFoundPorts(ports);
    RefreshPortList(count);
    portTables.RememberSearch(count);
}

void CQuorvexDlg::RefreshPortList(int count) { portTables.Refresh(portList, count); }
