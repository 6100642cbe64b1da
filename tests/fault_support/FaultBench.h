// What the fault and load tests need beyond driving the panel: their own cable, which they can
// cut and lay again, and figures of the panel's process as Linux and the wineserver see them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The fault tests' cable, COM8 <-> COM28, laid afresh when the object is made.
class FaultCable {
public:
    static constexpr int kPanelPort = 8;
    static constexpr int kDevicePort = 28;

    FaultCable();
    bool IsLaid() const { return laid_; }
    // Ends the cable's socat: both lines hang up, as a pulled USB adapter.
    bool Cut();
    // A new socat pair, the COM links re-pointed at its lines.
    bool Lay();

private:
    bool Run(const char* action);
    int calls_ = 0;
    bool laid_ = false;
};

// A process of the bench as Linux sees it, found through Z:\proc: its command line holds the exe's
// name and its environment the bench's prefix. (GetProcessTimes answers zero CPU time for other
// processes under Wine, and GetProcessHandleCount zero handles.)
class UnixView {
public:
    explicit UnixView(const std::string& exeName);
    bool Found() const { return !procDir_.empty(); }
    // User plus system CPU time so far, in milliseconds.
    double CpuMs() const;
    int OpenFds() const;
    // Resident memory, in KiB.
    long RssKb() const;

private:
    std::wstring procDir_;
};

// Handles of the process in the wineserver's table (NtQuerySystemInformation handle list).
int ServerHandleCount(DWORD processId);
// Bytes of memory the process has committed, as Wine reports it (PagefileUsage).
SIZE_T CommittedBytes(HANDLE process);
// How long the window takes to answer WM_NULL, in ms; the limit if it does not answer in time.
double ResponseMs(HWND window, DWORD limitMs);
// The value at the given fraction (0.99) of the sorted samples.
double Percentile(std::vector<double> samples, double fraction);
