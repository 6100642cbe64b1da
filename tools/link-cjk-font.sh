#!/usr/bin/env bash
# Links the WenQuanYi Micro Hei font (Debian's fonts-wqy-microhei) behind the dialog and UI fonts
# of the Wine prefix in WINEPREFIX, so Chinese text renders instead of boxes. Takes effect once
# the prefix's wineserver restarts.
set -euo pipefail
key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
for face in 'Tahoma' 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif'; do
    wine reg add "$key" /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f >/dev/null 2>&1
done
