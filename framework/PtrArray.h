// Arrays of pointers: CPtrArray holds untyped pointers, CTypedPtrArray gives it a pointer type.
// An index outside the array raises CInvalidArgException.
#pragma once

#include <cstddef>
#include <vector>

#include "Exception.h"

class CPtrArray {
public:
    int GetSize() const { return static_cast<int>(items_.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return items_.empty(); }

    void* GetAt(int index) const { return items_[Checked(index)]; }
    void*& ElementAt(int index) { return items_[Checked(index)]; }
    void SetAt(int index, void* item) { items_[Checked(index)] = item; }
    int Add(void* item) {
        items_.push_back(item);
        return GetUpperBound();
    }
    void InsertAt(int index, void* item) {
        if (index < 0 || index > GetSize())
            AfxThrowInvalidArgException();
        items_.insert(items_.begin() + index, item);
    }
    void RemoveAt(int index, int count = 1) {
        if (count < 0 || index < 0 || index + count > GetSize())
            AfxThrowInvalidArgException();
        items_.erase(items_.begin() + index, items_.begin() + index + count);
    }
    void RemoveAll() { items_.clear(); }

private:
    std::size_t Checked(int index) const {
        if (index < 0 || index >= GetSize())
            AfxThrowInvalidArgException();
        return static_cast<std::size_t>(index);
    }

    std::vector<void*> items_;
};

template <class BASE, class TYPE>
class CTypedPtrArray : public BASE {
public:
    TYPE GetAt(int index) const { return static_cast<TYPE>(BASE::GetAt(index)); }
    TYPE operator[](int index) const { return GetAt(index); }
    void SetAt(int index, TYPE item) { BASE::SetAt(index, item); }
    int Add(TYPE item) { return BASE::Add(item); }
    void InsertAt(int index, TYPE item) { BASE::InsertAt(index, item); }

    // Removes every element equal to item; returns how many went.
    int RemoveEvery(TYPE item) {
        int removed = 0;
        for (int index = this->GetUpperBound(); index >= 0; --index)
            if (GetAt(index) == item) {
                this->RemoveAt(index);
                ++removed;
            }
        return removed;
    }
    int Find(TYPE item) const {
        for (int index = 0; index < this->GetSize(); ++index)
            if (GetAt(index) == item)
                return index;
        return -1;
    }
};
