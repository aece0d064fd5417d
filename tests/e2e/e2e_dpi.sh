#!/bin/bash
# The built vxUninstall.exe at 96, 120, 144 and 192 DPI, set as the screen's
# DPI before each start: the card and the message box take their scaled
# sizes, the prompt's text is drawn at the scaled height (not stretched from
# 96 DPI), and a real click on the scaled "卸 载" runs the uninstall. The
# pictures make a contact sheet, card / progress page / message box a row.
#   e2e_dpi.sh VXUNINSTALL.EXE VXMKMAN.EXE SHEET.png
set -uo pipefail
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
source "$tools/wine-env.sh"
product="$VX_DRIVE_C/vxsample/Kelp Demo"
desktop='HKCU\Control Panel\Desktop'
shots=$(mktemp -d)
trap '"$tools/wine.sh" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1; rm -rf "$shots"
    "$tools/sample-product.sh" clean' EXIT
status=0
fail() { echo "FAIL at $dpi DPI: $*"; status=1; }
px() { echo $((($1 * dpi + 48) / 96)); }
size() { identify -format '%wx%h' "$1" 2>/dev/null; }
# The height of the prompt's ink: the prompt's box cut from the card, its
# white trimmed away.
ink_height() {
    convert "$1" -crop "$(px 210)x$(px 30)+$(px 35)+$(px 146)" +repage -fuzz 30% -trim \
        -format '%h' info: 2>/dev/null
}

ink96=
for dpi in 96 120 144 192; do
    "$tools/wine.sh" reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    export VX_DPI=$dpi
    "$tools/sample-product.sh" layout "$1" "$2" >/dev/null
    rc=0
    VX_PROGRESS_SHOT="$shots/$dpi-2.png" "$tools/run-uninstaller.sh" "$shots/$dpi-1.png" \
        >/dev/null || rc=$?
    [ "$rc" = 0 ] || fail "exit code $rc"
    "$tools/sample-product.sh" check >/dev/null || fail "the click did not remove the product"
    [ "$(size "$shots/$dpi-1.png")" = "$(px 450)x$(px 230)" ] ||
        fail "card $(size "$shots/$dpi-1.png"), expected $(px 450)x$(px 230)"
    [ -e "$shots/$dpi-2.png" ] || fail "no progress strip after the click"
    ink=$(ink_height "$shots/$dpi-1.png")
    [ -n "$ink96" ] || ink96=$ink
    # Text drawn at the scaled size: its height scales, within two pixels.
    want=$((ink96 * dpi / 96))
    [ -n "$ink" ] && [ "$ink" -ge $((want - 2)) ] && [ "$ink" -le $((want + 2)) ] ||
        fail "prompt text $ink pixels high, expected about $want"

    "$tools/sample-product.sh" layout "$1" "$2" >/dev/null
    truncate -s 700 "$product/vxUninstall.dat"
    VX_BOX_SHOT="$shots/$dpi-3.png" "$tools/run-uninstaller.sh" --box >/dev/null
    [ "$(size "$shots/$dpi-3.png")" = "$(px 330)x$(px 160)" ] ||
        fail "message box $(size "$shots/$dpi-3.png"), expected $(px 330)x$(px 160)"
    echo "$dpi DPI: card $(size "$shots/$dpi-1.png"), prompt text $ink px," \
        "box $(size "$shots/$dpi-3.png")"
done
montage "$shots"/96-*.png "$shots"/120-*.png "$shots"/144-*.png "$shots"/192-*.png -tile 3x \
    -geometry +8+8 -background '#C8D0D8' "$3" 2>/dev/null && echo "contact sheet: $3"
exit $status
