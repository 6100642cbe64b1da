// What the port list remembers between Searches (the ports of this Search and of the one before)
// and the refresh that brings combo box 1001 up to date while keeping the user's choice.
#pragma once

#include "framework/Array.h"
#include "framework/Controls.h"
#include "serial/SerialDiscovery.h"

class CPortList {
public:
    // The port numbers of a Search's ports, in discovery order, into the current table. Ports
    // whose number a byte cannot hold are left out, and so is any port past the 255th: listed
    // under a wrapped number, they would later open another port. Returns how many were taken.
    int TakeFoundPorts(const CArray<SSerInfo, SSerInfo&>& found);

    // Makes the list show the first count ports of the current table.
    void Refresh(const CComboBox& list, int count);

    // The current table as this Search leaves it becomes the previous one.
    void RememberSearch(int count);

private:
    void ApplyTwoPortOrdering(int count);
    void InsertEntry(const CComboBox& list, int index) const;
    void Rebuild(const CComboBox& list, int count);
    void RebuildAround(const CComboBox& list, int count, int selected, BYTE selectedPort);
    bool SameAsPrevious(int count) const;
    int IndexOf(BYTE port, int count) const;

    BYTE current_[256] = {};
    BYTE previous_[256] = {};
    int previousCount_ = 0;
};
