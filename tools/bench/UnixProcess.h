// The Linux side of a process of this Wine prefix, read through Z:\proc: Wine gives a Windows
// program no way to its Unix pid, and some figures (private memory) only Linux has.
#pragma once

#include <string>

// Reads a whole /proc file (its size reads as 0, so read until the end); empty if it cannot.
std::string ReadProcFile(long unixPid, const char* name);

// The Unix pid of the one process of this prefix (WINEPREFIX) whose program file is named
// `fileName` (case ignored), e.g. "Quorvex.exe" or "wineserver64"; -1 if none or several.
long FindUnixPid(const std::string& fileName);
