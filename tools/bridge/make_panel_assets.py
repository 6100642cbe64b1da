#!/usr/bin/env python3
"""Writes PanelAssets.cpp: the web panel's files (tools/bridge/web), the buttons' icons as PNGs
converted from res/icons with ImageMagick, and where the dialog template (res/Quorvex.rc) places
each command button: the one set of pictures and groups serves both panels.

make_panel_assets.py REPO_ROOT OUTPUT_CPP WORK_DIR
"""
import os
import re
import subprocess
import sys

ROOT, OUTPUT, WORK = sys.argv[1], sys.argv[2], sys.argv[3]
WEB = os.path.join(ROOT, "tools", "bridge", "web")
TYPES = {".html": "text/html; charset=utf-8", ".css": "text/css; charset=utf-8",
         ".js": "text/javascript; charset=utf-8", ".png": "image/png"}


def resource_ids():
    ids = {}
    with open(os.path.join(ROOT, "res", "resource.h"), encoding="utf-8") as header:
        for name, value in re.findall(r"^#define (\w+) (\d+)", header.read(), re.M):
            ids[name] = int(value)
    return ids


def dialog_places():
    """(control id, outer group, group, x, y) for each button of the main dialog."""
    with open(os.path.join(ROOT, "res", "Quorvex.rc"), encoding="utf-8") as rc:
        text = rc.read()
    dialog = text[text.index("IDD_QUORVEX_DIALOG"):]
    dialog = dialog[dialog.index("BEGIN"):dialog.index("\nEND")]
    boxes = [(name, int(x), int(y), int(w), int(h)) for name, x, y, w, h in
             re.findall(r'GROUPBOX\s+"([^"]*)",\s*-?\w+,\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)', dialog)]
    ids = resource_ids()
    places = []
    for control, x, y in re.findall(r'PUSHBUTTON\s+"[^"]*",\s*(\w+),\s*(\d+),\s*(\d+),[^\n]*BS_ICON', dialog):
        x, y = int(x), int(y)
        around = sorted((b for b in boxes if b[1] <= x < b[1] + b[3] and b[2] <= y < b[2] + b[4]),
                        key=lambda b: b[3] * b[4], reverse=True)
        names = [b[0] for b in around][-2:]
        outer, group = (["", ""] + names)[-2:]
        places.append((ids[control], outer, group, x, y))
    return places


def command_icon_ids():
    with open(os.path.join(ROOT, "ui", "DeviceCommands.h"), encoding="utf-8") as table:
        return set(re.findall(r"^\s*\{\d+, (\d+), \{'", table.read(), re.M))


def icon_pngs():
    """The command buttons' icons, each the first picture of its .ico."""
    os.makedirs(WORK, exist_ok=True)
    pngs = []
    wanted = command_icon_ids()
    for name in sorted(os.listdir(os.path.join(ROOT, "res", "icons"))):
        number = name.split("_")[0]
        if number not in wanted:
            continue
        png = os.path.join(WORK, number + ".png")
        # Without the time chunks, so the same icons make the same files.
        subprocess.run(["convert", os.path.join(ROOT, "res", "icons", name) + "[0]", "-define", "png:exclude-chunks=date,time",
                        png], check=True)
        pngs.append(("/icons/" + number + ".png", png))
    return pngs


def byte_array(name, path):
    with open(path, "rb") as file:
        data = file.read()
    rows = [", ".join(str(b) for b in data[i:i + 24]) for i in range(0, len(data), 24)]
    return f"const unsigned char {name}[] = {{\n    " + ",\n    ".join(rows) + "};\n", len(data)


def main():
    files = [("/", os.path.join(WEB, "index.html"))]
    files += [("/" + f, os.path.join(WEB, f)) for f in sorted(os.listdir(WEB)) if f != "index.html"]
    files += icon_pngs()
    arrays, entries = [], []
    for index, (path, source) in enumerate(files):
        array, size = byte_array(f"kFile{index}", source)
        arrays.append(array)
        entries.append(f'    {{"{path}", "{TYPES[os.path.splitext(source)[1]]}", kFile{index}, {size}}},')
    places = [f'    {{{c}, "{o}", "{g}", {x}, {y}}},' for c, o, g, x, y in dialog_places()]
    out = "\n".join([
        "// Made by make_panel_assets.py at build time; not to be edited.",
        '#include "PanelAssets.h"', "", "namespace {", "", *arrays,
        "const PanelAsset kAssets[] = {", *entries, "};", "",
        "const DialogPlace kPlaces[] = {", *places, "};", "", "}  // namespace", "",
        "const PanelAsset* FindPanelAsset(const std::string& path) {",
        "    for (const PanelAsset& asset : kAssets)",
        "        if (path == asset.path)", "            return &asset;", "    return nullptr;", "}", "",
        "const DialogPlace* FindDialogPlace(unsigned controlId) {",
        "    for (const DialogPlace& place : kPlaces)",
        "        if (place.controlId == controlId)", "            return &place;", "    return nullptr;", "}", ""])
    with open(OUTPUT, "w", encoding="utf-8") as file:
        file.write(out)


main()
