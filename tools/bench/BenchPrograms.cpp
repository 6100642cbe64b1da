#include "BenchPrograms.h"

#include "res/resource.h"

bool ConnectPanel(const PanelProcess& panel, int port) {
    panel.Click(IDC_SEARCH);
    panel.SelectPort(L"COM" + std::to_wstring(port));
    panel.Click(IDC_CONNECT);
    return panel.Text(IDC_CONNECT) == L"Disconnect";
}

std::unique_ptr<PanelProcess> StartBare(const std::wstring& exe, int port) {
    ::SetEnvironmentVariableW(L"QUORVEX_BARE_LINE", std::to_wstring(port).c_str());
    auto program = std::make_unique<PanelProcess>(exe);
    ::SetEnvironmentVariableW(L"QUORVEX_BARE_LINE", nullptr);
    return program;
}
