#!/usr/bin/env bash
# Gives the Wine prefix in WINEPREFIX the fonts the panel needs to look as on Windows: Wine's own
# Marlett (Debian's fonts-wine), in which Wine draws the caption buttons, and the WenQuanYi Micro
# Hei font (fonts-wqy-microhei) linked behind the dialog and UI fonts, so Chinese text renders
# instead of boxes. Takes effect once the prefix's wineserver restarts.
set -euo pipefail
: "${WINEPREFIX:?names the prefix}"
# Debian's Wine 8 seeks its own fonts in a folder that does not exist, so those of fonts-wine are
# never found and the close box shows Marlett's "r" in another font; the prefix's Fonts folder is
# always searched.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
    wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
done
