// What a test program knows of the bench it runs on: the prefix, Wine's view of the Windows
// version per program, and ports held by "another program".
#pragma once

#include <windows.h>

#include <string>

// The bench's prefix as a Unix path (wine-run.sh exports it).
std::string BenchPrefix();
// A Unix path as a program under Wine opens it.
std::wstring UnixToWindowsPath(const std::string& unixPath);

// Starts a Unix program from Wine (the command line holds Unix paths) with NUL standard handles:
// given ours, it would cut this program's output off. Wine gives no process handle to wait on, so
// the program must signal its end itself, e.g. with a marker file. False if it did not start.
bool StartUnixProgram(std::wstring commandLine);

// Makes Wine report a Windows version ("nt40", "win98", "win7"...) to one exe for the life of
// this object; the setting is removed again at the end.
class WineVersionFor {
public:
    WineVersionFor(const std::wstring& exeName, const std::wstring& version);
    ~WineVersionFor();
    WineVersionFor(const WineVersionFor&) = delete;
    WineVersionFor& operator=(const WineVersionFor&) = delete;

private:
    std::wstring key_;
};

// Holds COMn's line exclusively from Linux, as another program using the port would, until
// the object goes.
class HeldPort {
public:
    explicit HeldPort(int comNumber);
    ~HeldPort();
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;
    bool IsHeld() const { return held_; }

private:
    std::string held_marker_;
    std::string release_marker_;
    bool started_ = false;
    bool held_ = false;
};
