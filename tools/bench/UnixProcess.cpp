#include "UnixProcess.h"

#include <windows.h>

#include <cctype>
#include <cstdlib>
#include <vector>

#include "Bench.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The last path component of the first argument; Wine pads the rewritten argv with spaces.
std::string ProgramName(const std::string& cmdline) {
    std::string first = cmdline.substr(0, cmdline.find('\0'));
    while (!first.empty() && first.back() == ' ')
        first.pop_back();
    const size_t slash = first.find_last_of("/\\");
    return slash == std::string::npos ? first : first.substr(slash + 1);
}

bool HasVariable(const std::string& environment, const std::string& assignment) {
    return (std::string(1, '\0') + environment).find('\0' + assignment + '\0') != std::string::npos;
}

std::vector<long> AllPids() {
    std::vector<long> pids;
    WIN32_FIND_DATAA entry;
    HANDLE search = ::FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE)
        return pids;
    do {
        char* end = nullptr;
        const long pid = std::strtol(entry.cFileName, &end, 10);
        if (pid > 0 && *end == '\0')
            pids.push_back(pid);
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
    return pids;
}

}  // namespace

std::string ReadProcFile(long unixPid, const char* name) {
    const std::string path = "Z:\\proc\\" + std::to_string(unixPid) + "\\" + name;
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    ::CloseHandle(file);
    return text;
}

long FindUnixPid(const std::string& fileName) {
    const std::string wanted = Lower(fileName);
    const std::string prefix = "WINEPREFIX=" + BenchPrefix();
    long found = -1;
    for (long pid : AllPids()) {
        if (Lower(ProgramName(ReadProcFile(pid, "cmdline"))) != wanted ||
            !HasVariable(ReadProcFile(pid, "environ"), prefix))
            continue;
        if (found != -1)
            return -1;
        found = pid;
    }
    return found;
}
