// The web panel's files and the dialog's grouping of the buttons, made at build time
// (make_panel_assets.py) from tools/bridge/web, res/icons and the dialog template in res/.
#pragma once

#include <cstddef>
#include <string>

struct PanelAsset {
    const char* path;  // as requested: "/", "/panel.js", "/icons/172.png"
    const char* contentType;
    const unsigned char* data;
    std::size_t size;
};

// nullptr when the panel has no such file.
const PanelAsset* FindPanelAsset(const std::string& path);

// Where the dialog puts a command button: its group boxes, outermost first ("Mode", "Mode 1"; none
// for the buttons above them), and its place in dialog units.
struct DialogPlace {
    unsigned controlId;
    const char* outerGroup;  // "" when the group box stands alone or there is none
    const char* group;       // "" above the group boxes
    int x, y;
};

const DialogPlace* FindDialogPlace(unsigned controlId);
