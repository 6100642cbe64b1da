#include "PortList.h"

#include "PortNumber.h"

#include <cstring>
#include <string>
#include <utility>

namespace {

constexpr int kMaxPorts = 255;  // ports are counted with an 8-bit index

}  // namespace

int CPortList::TakeFoundPorts(const CArray<SSerInfo, SSerInfo&>& found) {
    int count = 0;
    for (const SSerInfo& port : found) {
        if (count == kMaxPorts)
            break;
        const std::wstring number = PortTextFromFriendlyName(port.friendlyName);
        if (IsBeyondPortRange(number))
            continue;
        current_[count++] = PortNumberFromText(number);
    }
    return count;
}

void CPortList::RememberSearch(int count) {
    previousCount_ = count;
    std::memcpy(previous_, current_, static_cast<size_t>(count));
}

void CPortList::Refresh(const CComboBox& list, int count) {
    if (count == 0) {
        list.ResetContent();
        std::memset(previous_, 0, sizeof(previous_));
        return;
    }
    if (SameAsPrevious(count))
        return;  // the list and the user's choice stay exactly as they are

    const std::wstring selectedText = list.GetWindowTextW();
    if (selectedText.empty()) {
        Rebuild(list, count);
        return;
    }
    const int selected = list.GetCurSel();
    const BYTE selectedPort = PortNumberFromText(selectedText.size() > 3 ? selectedText.substr(3) : std::wstring());
    if (IndexOf(selectedPort, count) < 0) {
        Rebuild(list, count);
        return;
    }
    RebuildAround(list, count, selected, selectedPort);
}

bool CPortList::SameAsPrevious(int count) const {
    return count == previousCount_ && std::memcmp(current_, previous_, static_cast<size_t>(count)) == 0;
}

int CPortList::IndexOf(BYTE port, int count) const {
    for (int i = 0; i < count; ++i)
        if (current_[i] == port)
            return i;
    return -1;
}

// Two ports are listed in ascending order; one, or three and more, keep the discovery order.
void CPortList::ApplyTwoPortOrdering(int count) {
    if (count == 2 && current_[0] > current_[1])
        std::swap(current_[0], current_[1]);
}

void CPortList::InsertEntry(const CComboBox& list, int index) const {
    list.InsertString(index, MakePortName(std::to_wstring(current_[index])).c_str());
}

void CPortList::Rebuild(const CComboBox& list, int count) {
    ApplyTwoPortOrdering(count);
    list.ResetContent();
    for (int i = 0; i < count; ++i)
        InsertEntry(list, i);
    list.SetCurSel(0);
}

// The selected entry is never removed, so the box keeps it selected wherever it ends up.
void CPortList::RebuildAround(const CComboBox& list, int count, int selected, BYTE selectedPort) {
    for (int i = 0; i < selected; ++i)
        list.DeleteString(0);
    for (int i = 0; i < previousCount_ - selected - 1; ++i)
        list.DeleteString(1);
    ApplyTwoPortOrdering(count);
    const int kept = IndexOf(selectedPort, count);
    for (int i = 0; i < count; ++i)
        if (i != kept)
            InsertEntry(list, i);
}
