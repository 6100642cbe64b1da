// discovery_probe.exe OUTFILE: runs port discovery twice into one array and writes what the
// second call left there, one tab-separated line per record, with the error text if one was
// raised and whether both calls left the same list. The tests run it under the Windows version they want discovery to
// see (Wine's per-program Version setting), which a process cannot change for itself.
#include "serial/SerialDiscovery.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

using Snapshot = std::vector<std::wstring>;

Snapshot Take(const CArray<SSerInfo, SSerInfo&>& ports) {
    Snapshot lines;
    for (const SSerInfo& port : ports)
        lines.push_back(port.devicePath + L"\t" + port.portName + L"\t" + port.friendlyName + L"\t" +
                        (port.isUsb ? L"1" : L"0") + L"\t" + port.description);
    return lines;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    CArray<SSerInfo, SSerInfo&> ports;
    std::wstring error;
    Snapshot first;
    for (int call = 0; call < 2; ++call) {
        try {
            FindSerialPorts(ports);
        } catch (const SerialDiscoveryError& raised) {
            error = raised.message;
        }
        if (call == 0)
            first = Take(ports);
    }

    FILE* out = std::fopen(argv[1], "wb");
    if (!out)
        return 3;
    for (const std::wstring& line : Take(ports))
        std::fprintf(out, "record\t%s\n", Utf8(line).c_str());
    if (!error.empty())
        std::fprintf(out, "error\t%s\n", Utf8(error).c_str());
    std::fprintf(out, "same\t%d\n", first == Take(ports) ? 1 : 0);
    std::fclose(out);
    return 0;
}
