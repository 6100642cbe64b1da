#include "Bench.h"

#include "Wait.h"

#include <cstdio>
#include <cstdlib>

std::string BenchPrefix() {
    const char* prefix = std::getenv("WINEPREFIX");
    return prefix ? prefix : "";
}

std::wstring UnixToWindowsPath(const std::string& unixPath) {
    std::wstring path = L"Z:";
    for (char c : unixPath)
        path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    return path;
}

bool StartUnixProgram(std::wstring commandLine) {
    SECURITY_ATTRIBUTES inheritable{sizeof(inheritable), nullptr, TRUE};
    HANDLE nul = ::CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION info{};
    const BOOL started =
        ::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);
    if (nul != INVALID_HANDLE_VALUE)
        ::CloseHandle(nul);
    if (!started)
        return false;
    if (info.hThread)
        ::CloseHandle(info.hThread);
    if (info.hProcess)
        ::CloseHandle(info.hProcess);
    return true;
}

WineVersionFor::WineVersionFor(const std::wstring& exeName, const std::wstring& version)
    : key_(L"Software\\Wine\\AppDefaults\\" + exeName) {
    HKEY key = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, key_.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    ::RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                     static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

WineVersionFor::~WineVersionFor() { ::RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str()); }

namespace {

bool FileExists(const std::string& unixPath) {
    return ::GetFileAttributesW(UnixToWindowsPath(unixPath).c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

HeldPort::HeldPort(int comNumber) {
    const std::string prefix = BenchPrefix();
    const std::string tag = std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(comNumber);
    held_marker_ = prefix + "/held-" + tag;
    release_marker_ = prefix + "/release-" + tag;
    const char* script = std::getenv("QUORVEX_HOLD_PORT");
    if (prefix.empty() || !script)
        return;
    // Wine starts Unix programs too, with their arguments as given: Unix paths. The hold must
    // come from outside Wine to be honoured.
    const std::string arguments = std::string(script) + " " + prefix + "/dosdevices/com" + std::to_string(comNumber) +
                                  " " + held_marker_ + " " + release_marker_;
    std::wstring command = L"Z:\\usr\\bin\\python3 " + std::wstring(arguments.begin(), arguments.end());
    if (!StartUnixProgram(command))
        return;
    started_ = true;
    held_ = WaitUntil([this] { return FileExists(held_marker_); }, 10000);
}

HeldPort::~HeldPort() {
    if (!started_)
        return;
    const std::wstring release = UnixToWindowsPath(release_marker_);
    if (FILE* file = _wfopen(release.c_str(), L"w"))
        std::fclose(file);
    // A Unix program's handle cannot be waited on under Wine: the holder removes the marker
    // once the port is free again.
    WaitUntil([&] { return ::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000);
    ::DeleteFileW(UnixToWindowsPath(held_marker_).c_str());
}
