#include "Probe.h"

#include "framework/Handle.h"
#include "framework/RegKey.h"

#include <cstdio>
#include <sstream>

namespace {

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size);
    return out;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream stream(line);
    std::string field;
    while (std::getline(stream, field, '\t'))
        fields.push_back(field);
    if (!line.empty() && line.back() == '\t')
        fields.emplace_back();
    return fields;
}

// The probe sits beside the test program.
std::wstring BuildDirectory() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

void SetProbeVersion(const wchar_t* version) {
    CRegKey key;
    key.Create(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\discovery_probe.exe");
    ::RegSetValueExW(key.get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                     static_cast<DWORD>((wcslen(version) + 1) * sizeof(wchar_t)));
}

// A probe that did not report says so in place of discovery's error, so the check that fails shows why.
ProbeResult ProbeFailure(const wchar_t* what, DWORD exitCode = 0) {
    ProbeResult result;
    result.error = std::wstring(L"discovery_probe.exe ") + what + L" (" + std::to_wstring(exitCode) + L")";
    return result;
}

ProbeResult ReadProbeOutput(const std::wstring& file, DWORD exitCode) {
    ProbeResult result;
    bool finished = false;
    std::string text;
    if (FILE* in = _wfopen(file.c_str(), L"rb")) {
        char buffer[4096];
        for (size_t got; (got = fread(buffer, 1, sizeof(buffer), in)) > 0;)
            text.append(buffer, got);
        fclose(in);
    }
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = Fields(line);
        if (f[0] == "record" && f.size() == 6)
            result.ports.push_back({Wide(f[1]), Wide(f[2]), Wide(f[3]), Wide(f[5]), f[4] == "1"});
        else if (f[0] == "error" && f.size() >= 2)
            result.error = Wide(f[1]);
        else if (f[0] == "same" && f.size() >= 2) {
            result.repeatable = f[1] == "1";
            finished = true;
        }
    }
    return finished ? result : ProbeFailure(L"left no whole output", exitCode);
}

}  // namespace

ProbeResult RunDiscoveryProbe(const wchar_t* version) {
    SetProbeVersion(version);
    const std::wstring directory = BuildDirectory();
    const std::wstring exe = directory + L"discovery_probe.exe";
    const std::wstring output = directory + L"discovery_probe.out";
    ::DeleteFileW(output.c_str());

    std::wstring commandLine = L"\"" + exe + L"\" \"" + output + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return ProbeFailure(L"did not start", ::GetLastError());
    CHandle process(info.hProcess);
    CHandle thread(info.hThread);
    if (::WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        return ProbeFailure(L"did not finish");
    }
    DWORD exitCode = 0;
    ::GetExitCodeProcess(process.get(), &exitCode);
    return ReadProbeOutput(output, exitCode);
}

std::vector<std::wstring> PortNames(const ProbeResult& result) {
    std::vector<std::wstring> names;
    for (const ProbedPort& port : result.ports)
        names.push_back(port.portName);
    return names;
}

std::vector<std::wstring> FriendlyNames(const ProbeResult& result) {
    std::vector<std::wstring> names;
    for (const ProbedPort& port : result.ports)
        names.push_back(port.friendlyName);
    return names;
}
