// Starting the programs a figure measures: the shipped panel connected on a port, and a bare
// floor on a line of its own.
#pragma once

#include <memory>
#include <string>

#include "Panel.h"

// Search, the port picked in the list, Connect; true once the panel reads "Disconnect".
bool ConnectPanel(const PanelProcess& panel, int port);

// Starts a bare program on COMn, which it takes from the environment it inherits (several run at
// once); its Window() is null if it did not start.
std::unique_ptr<PanelProcess> StartBare(const std::wstring& exe, int port);
