#!/bin/bash
# Creates the scratch Wine prefix once. Drive Z: (the whole Linux root) is
# removed and the user folders that Wine links into $HOME become real folders,
# so a faulty walk can only ever hurt this prefix.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
stamp="$WINEPREFIX/.vx-ready"

# The product's modern layout needs "msyh.ttc" in the fonts folder; a copy of
# the installed WenQuanYi font stands in for it (also in older prefixes).
vx_cjk_font() {
    local fonts="$VX_DRIVE_C/windows/Fonts"
    [ -d "$fonts" ] && [ ! -e "$fonts/msyh.ttc" ] &&
        cp /usr/share/fonts/truetype/wqy/wqy-microhei.ttc "$fonts/msyh.ttc"
    return 0
}
if [ -f "$stamp" ]; then
    vx_cjk_font
    exit 0
fi
# A server still running for an earlier prefix at this path would serve the
# new one too: stop it first.
"$VX_WINESERVER" -k 2>/dev/null || true
rm -rf "$WINEPREFIX" "$HOME"
mkdir -p "$HOME" "$(dirname "$WINEPREFIX")"
WINEARCH=win64 "$VX_WINE64" wineboot -i >/dev/null 2>&1 || true
"$VX_WINESERVER" -w
rm -f "$WINEPREFIX/dosdevices/z:"
for d in "$VX_DRIVE_C"/users/*/*; do
    if [ -L "$d" ]; then rm -f "$d"; mkdir -p "$d"; fi
done
# The CJK face the skin asks for, and the classic fallback, both map to the
# installed WenQuanYi font so Chinese text renders.
subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in "微软雅黑" "Microsoft YaHei" "宋体" "SimSun"; do
    "$VX_WINE64" reg add "$subst" /v "$face" /t REG_SZ /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
done
vx_cjk_font
# A crash shows the program's own message, never Wine's crash dialog.
"$VX_WINE64" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >/dev/null 2>&1
"$VX_WINESERVER" -w
[ ! -e "$WINEPREFIX/dosdevices/z:" ] || { echo "drive Z: still mapped" >&2; exit 1; }
touch "$stamp"
echo "Wine prefix ready: $WINEPREFIX"
