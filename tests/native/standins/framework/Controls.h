// Stands in for the framework's combo box when the port table is built natively: a list of
// entries and a selection that move the way a drop-down list box moves them. The port table
// calls const members, as it does on the real box, whose state lives in the window.
#pragma once

#include <string>
#include <vector>

using BYTE = unsigned char;

class CComboBox {
public:
    int GetCount() const { return static_cast<int>(entries_.size()); }
    int GetCurSel() const { return selected_; }
    int SetCurSel(int index) const {
        selected_ = index >= 0 && index < GetCount() ? index : -1;
        return selected_;
    }
    int InsertString(int index, const wchar_t* text) const {
        if (index < 0 || index > GetCount())
            index = GetCount();
        entries_.insert(entries_.begin() + index, text);
        if (selected_ >= index)
            ++selected_;
        return index;
    }
    int DeleteString(int index) const {
        if (index < 0 || index >= GetCount())
            return -1;
        entries_.erase(entries_.begin() + index);
        if (selected_ == index)
            selected_ = -1;
        else if (selected_ > index)
            --selected_;
        return GetCount();
    }
    void ResetContent() const {
        entries_.clear();
        selected_ = -1;
    }
    std::wstring GetLBText(int index) const { return entries_.at(static_cast<size_t>(index)); }
    // A drop-down list shows the selected entry as its text.
    std::wstring GetWindowTextW() const { return selected_ < 0 ? std::wstring() : entries_[selected_]; }

    const std::vector<std::wstring>& Entries() const { return entries_; }

private:
    mutable std::vector<std::wstring> entries_;
    mutable int selected_ = -1;
};
