// run_line_driver: plays the user of `make run LINE=...`: takes over the panel already open,
// presses Search, picks the port, connects, presses one button, waits until the frame shows in
// the simulator's log, disconnects and closes the panel.
//   run_line_driver.exe PORT CONTROL_ID SIMULATOR_LOG FRAME_TEXT
// Once the panel ends, its run ends every process of the prefix, this one too: the line it prints
// before closing the panel tells its script that nothing was left to do when it was ended.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "Panel.h"
#include "Wait.h"

namespace {

constexpr DWORD kPanelShowsMs = 60000;
constexpr DWORD kFrameArrivesMs = 5000;

bool LogHolds(const std::wstring& path, const std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return false;
    std::string content;
    char chunk[4096];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;)
        content.append(chunk, got);
    std::fclose(file);
    return content.find(text) != std::string::npos;
}

// Tells tests/bench/bounded.sh that Wine got this program to its own code.
void MarkStarted() {
    if (const wchar_t* marker = _wgetenv(L"QUORVEX_STARTED_MARKER"))
        if (FILE* file = _wfopen(marker, L"w"))
            std::fclose(file);
}

int Fail(const char* what) {
    std::fprintf(stderr, "run_line_driver: %s\n", what);
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    MarkStarted();
    if (argc != 5)
        return Fail("usage: run_line_driver PORT CONTROL_ID SIMULATOR_LOG FRAME_TEXT");
    const std::wstring port = argv[1];
    const int control = _wtoi(argv[2]);
    const std::wstring frame(argv[4]);
    const std::string frameText(frame.begin(), frame.end());

    PanelProcess panel(PanelProcess::AlreadyRunning{}, kPanelShowsMs);
    if (!panel.Window())
        return Fail("no panel showed up");
    panel.Click(1000);  // Search
    bool listed = false;
    for (const std::wstring& entry : panel.PortListEntries())
        listed = listed || entry == port;
    if (!listed)
        return Fail("Search did not list the port");
    panel.SelectPort(port);
    panel.Click(1002);  // Connect
    if (panel.Text(1002) != L"Disconnect")
        return Fail("Connect did not open the port");
    panel.Click(control);
    if (!WaitUntil([&] { return LogHolds(argv[3], frameText); }, kFrameArrivesMs))
        return Fail("the simulator did not log the frame");
    panel.Click(1002);
    std::printf("run_line_driver: closing the panel\n");
    std::fflush(stdout);
    ::PostMessageW(panel.Window(), WM_CLOSE, 0, 0);
    return panel.WaitForExit(10000) ? 0 : Fail("the panel did not close");
}
