// A growable, ordered array with the framework's member names, over std::vector.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <vector>

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    int GetSize() const { return static_cast<int>(items_.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return items_.empty(); }

    int Add(ARG_TYPE item) {
        items_.push_back(item);
        return GetSize() - 1;
    }
    void SetAt(int index, ARG_TYPE item) { items_.at(Checked(index)) = item; }
    void InsertAt(int index, ARG_TYPE item) { items_.insert(items_.begin() + CheckedEnd(index), item); }
    void RemoveAt(int index, int count = 1) {
        const std::size_t first = Checked(index);
        if (count < 0 || first + static_cast<std::size_t>(count) > items_.size())
            throw std::out_of_range("CArray::RemoveAt");
        items_.erase(items_.begin() + first, items_.begin() + first + count);
    }
    void RemoveAll() { items_.clear(); }

    TYPE& ElementAt(int index) { return items_.at(Checked(index)); }
    const TYPE& GetAt(int index) const { return items_.at(Checked(index)); }
    TYPE& operator[](int index) { return ElementAt(index); }
    const TYPE& operator[](int index) const { return GetAt(index); }

    typename std::vector<TYPE>::iterator begin() { return items_.begin(); }
    typename std::vector<TYPE>::iterator end() { return items_.end(); }
    typename std::vector<TYPE>::const_iterator begin() const { return items_.begin(); }
    typename std::vector<TYPE>::const_iterator end() const { return items_.end(); }

private:
    std::size_t Checked(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) >= items_.size())
            throw std::out_of_range("CArray index");
        return static_cast<std::size_t>(index);
    }
    std::size_t CheckedEnd(int index) const {
        if (index < 0 || static_cast<std::size_t>(index) > items_.size())
            throw std::out_of_range("CArray index");
        return static_cast<std::size_t>(index);
    }

    std::vector<TYPE> items_;
};
