// A device information set from the device-installation services, destroyed by its owner.
#pragma once

#include <windows.h>

#include <setupapi.h>

#include <utility>

class CDeviceInfoSet {
public:
    CDeviceInfoSet() = default;
    explicit CDeviceInfoSet(HDEVINFO set) : set_(set) {}
    ~CDeviceInfoSet() { Close(); }
    CDeviceInfoSet(CDeviceInfoSet&& other) noexcept : set_(std::exchange(other.set_, INVALID_HANDLE_VALUE)) {}
    CDeviceInfoSet& operator=(CDeviceInfoSet&& other) noexcept {
        if (this != &other) {
            Close();
            set_ = std::exchange(other.set_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    CDeviceInfoSet(const CDeviceInfoSet&) = delete;
    CDeviceInfoSet& operator=(const CDeviceInfoSet&) = delete;

    HDEVINFO get() const { return set_; }
    explicit operator bool() const { return set_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (set_ != INVALID_HANDLE_VALUE)
            ::SetupDiDestroyDeviceInfoList(std::exchange(set_, INVALID_HANDLE_VALUE));
    }

private:
    HDEVINFO set_ = INVALID_HANDLE_VALUE;
};
