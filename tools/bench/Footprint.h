// What a running program costs while it waits: CPU time and private memory, and its file size.
#pragma once

#include <windows.h>

#include <string>

struct CpuUse {
    double windowsSeconds = -1;  // GetProcessTimes, kernel + user
    double unixSeconds = -1;     // the same process seen from Linux (/proc/<pid>/stat), -1 if not found
    double serverSeconds = -1;   // the prefix's wineserver over the same time, -1 if not found
};

// CPU used by the process (and by the wineserver) over `ms` of wall time from now.
CpuUse CpuOver(HANDLE process, const std::string& unixName, DWORD ms);
// Linux's count where it could be read: Wine answers GetProcessTimes for another process with
// zeros or with far too little (0.01 s for a 32-bit process that used 0.3 s).
double CpuSeconds(const CpuUse& use);
bool CpuFromLinux(const CpuUse& use);

// Whether the Linux side of the process has the bench's modem-line library mapped; false also
// when the process cannot be found.
bool MapsModemLines(const std::string& unixName);

struct PrivateMemory {
    SIZE_T privateUsage = 0;  // PROCESS_MEMORY_COUNTERS_EX.PrivateUsage; Wine reports 0
    long vmRssKb = -1;        // /proc/<pid>/status of the Wine process, when found
    long rssAnonKb = -1;
};

PrivateMemory MemoryOf(HANDLE process, const std::string& unixName);

// Bytes, or -1 if the file cannot be read.
long long FileSize(const std::wstring& path);
