// Search and the port list: members of the main window.
#include "PortNumber.h"
#include "QuorvexDlg.h"
#include "res/resource.h"
#include "framework/App.h"
#include "serial/SerialDiscovery.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMaxPorts = 255;  // the tables count ports with an 8-bit index

// Process-wide, as the list they describe: the latest Search's ports and the previous one's.
BYTE currentPorts[256] = {};
BYTE previousPorts[256] = {};
int previousPortCount = 0;

std::wstring PortEntryText(BYTE port) { return MakePortName(std::to_wstring(port)); }

// Two ports are listed in ascending order; one, or three and more, keep the discovery order.
void ApplyTwoPortOrdering(int count) {
    if (count == 2 && currentPorts[0] > currentPorts[1])
        std::swap(currentPorts[0], currentPorts[1]);
}

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

    // A number that does not fit in a byte would be listed, and later opened, as another port:
    // such ports are left out, and so is any port past the 255th.
    int count = 0;
    for (const SSerInfo& port : ports) {
        if (count == kMaxPorts)
            break;
        const int value = PortTextValue(PortTextFromFriendlyName(port.friendlyName));
        if (value > 255)
            continue;
        currentPorts[count++] = static_cast<BYTE>(value < 0 ? 0 : value);
    }

    RefreshPortList(count);
    previousPortCount = count;
    std::memcpy(previousPorts, currentPorts, static_cast<size_t>(count));
}

void CQuorvexDlg::RefreshPortList(int count) {
    auto insertAll = [&] {
        for (int i = 0; i < count; ++i)
            portList.InsertString(i, PortEntryText(currentPorts[i]).c_str());
    };
    auto rebuild = [&] {
        ApplyTwoPortOrdering(count);
        portList.ResetContent();
        insertAll();
        portList.SetCurSel(0);
    };

    if (count == 0) {
        portList.ResetContent();
        std::memset(previousPorts, 0, sizeof(previousPorts));
        return;
    }
    if (count == previousPortCount && std::memcmp(currentPorts, previousPorts, static_cast<size_t>(count)) == 0)
        return;  // nothing changed: the list and its selection stay as they are

    const std::wstring selectedText = portList.GetWindowTextW();
    if (selectedText.empty()) {
        rebuild();
        return;
    }
    const int selected = portList.GetCurSel();
    const BYTE selectedPort = PortNumberFromText(selectedText.size() > 3 ? selectedText.substr(3) : std::wstring());
    BYTE* const end = currentPorts + count;
    if (std::find(currentPorts, end, selectedPort) == end) {
        rebuild();
        return;
    }

    // Rebuild around the selected entry, which is never removed, so the selection survives.
    for (int i = 0; i < selected; ++i)
        portList.DeleteString(0);
    for (int i = 0; i < previousPortCount - selected - 1; ++i)
        portList.DeleteString(1);
    ApplyTwoPortOrdering(count);
    const int kept = static_cast<int>(std::find(currentPorts, end, selectedPort) - currentPorts);
    for (int i = 0; i < count; ++i)
        if (i != kept)
            portList.InsertString(i, PortEntryText(currentPorts[i]).c_str());
}
