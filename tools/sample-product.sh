#!/bin/bash
# Lays out, or checks, a sample installed product inside the scratch Wine
# prefix: a folder tree with the uninstaller and its manifest, the product's
# Uninstall registry key, a Start-menu program group, a desktop shortcut and
# a listed quick-launch shortcut, each with neighbours that must survive.
#   sample-product.sh layout VXUNINSTALL.EXE VXMKMAN.EXE
#   sample-product.sh check        (prints what was removed and what remained)
#   sample-product.sh intact       (whether nothing at all was removed)
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"

user=$(id -un)
root="$VX_DRIVE_C/vxsample"
product="$root/Kelp Demo"
programs="$VX_DRIVE_C/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
desktop="$VX_DRIVE_C/users/Public/Desktop"
ukey='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# A key in either registry view: a 32-bit installer writes in the 32-bit one.
reg_exists() {
    local view
    for view in /reg:32 /reg:64; do
        "$VX_ROOT/tools/wine.sh" reg query "$ukey\\$1" "$view" >/dev/null 2>&1 && return 0
    done
    return 1
}
reg_delete() {
    local view
    for view in /reg:32 /reg:64; do
        "$VX_ROOT/tools/wine.sh" reg delete "$ukey\\$1" /f "$view" >/dev/null 2>&1 || true
    done
}

# What the uninstall must remove, and what it must leave.
removed=(
    "$product/vxUninstall.exe" "$product/vxUninstall.dat" "$product/KelpDemo.exe"
    "$product/bin/engine.dll" "$product/data/levels/1.dat" "$product/data/.cache/blob"
    "$product" "$programs/Kelp Demo/Kelp Demo.lnk" "$programs/Kelp Demo"
    "$desktop/Kelp Demo.lnk" "$root/QuickLaunch/Kelp Demo.lnk" "$VX_DRIVE_C/clear.bat"
)
kept=(
    "$root/Kelp Demo Settings/user.ini" "$root/keep.txt" "$root/QuickLaunch/Other.lnk"
    "$programs/Kelp Tools/Tool.lnk" "$desktop/Other Product.lnk"
)

case "${1:-}" in
layout)
    exe=$(realpath "$2") mkman=$(realpath "$3")
    cd "$VX_DRIVE_C"
    rm -rf "$root" "$programs/Kelp Demo" "$programs/Kelp Tools" "$desktop/Kelp Demo.lnk" \
        "$desktop/Other Product.lnk" "$VX_DRIVE_C/clear.bat"
    mkdir -p "$product/bin" "$product/data/levels" "$product/data/.cache" "$root/QuickLaunch" \
        "$root/Kelp Demo Settings" "$programs/Kelp Demo" "$programs/Kelp Tools" "$desktop"
    for f in "${removed[@]}" "${kept[@]}"; do
        case "$f" in
        "$product" | "$programs/Kelp Demo" | "$VX_DRIVE_C/clear.bat" | *vxUninstall.*) ;;
        *) echo "sample $(basename "$f")" >"$f" ;;
        esac
    done
    for i in $(seq 1 40); do echo "$i" >"$product/data/levels/level$i.dat"; done
    cp "$exe" "$product/vxUninstall.exe"
    "$VX_ROOT/tools/wine.sh" "$mkman" write 'C:\vxsample\Kelp Demo\vxUninstall.dat' \
        --key KelpDemoSample --name 'Kelp Demo' --group 'Kelp Demo' \
        --dir 'C:\vxsample\Kelp Demo\' --shortcut 'C:\vxsample\QuickLaunch\Kelp Demo.lnk'
    # The entries go where an installer of the exe's bitness writes them,
    # and only there: one left in the other view by an earlier run would
    # read as not removed.
    reg_delete KelpDemoSample
    reg_delete KelpToolsSample
    view=/reg:64
    [ "$(vx_pe_machine "$exe")" = i386 ] && view=/reg:32
    for k in 'KelpDemoSample|Kelp Demo|C:\vxsample\Kelp Demo\vxUninstall.exe' \
        'KelpToolsSample|Kelp Tools|C:\vxsample\Kelp Tools\vxUninstall.exe'; do
        IFS='|' read -r key name uninstaller <<<"$k"
        "$VX_ROOT/tools/wine.sh" reg add "$ukey\\$key" /v DisplayName /d "$name" /f "$view" >/dev/null
        "$VX_ROOT/tools/wine.sh" reg add "$ukey\\$key" /v UninstallString /d "\"$uninstaller\"" \
            /f "$view" >/dev/null
    done
    ;;
check)
    cd "$VX_DRIVE_C"
    bad=0
    echo "Removed, as the manifest asked:"
    for f in "${removed[@]}"; do
        if [ -e "$f" ]; then echo "  STILL THERE  ${f#$VX_DRIVE_C/}"; bad=1; else echo "  gone         ${f#$VX_DRIVE_C/}"; fi
    done
    if reg_exists KelpDemoSample; then echo "  STILL THERE  registry Uninstall\\KelpDemoSample"; bad=1
    else echo "  gone         registry Uninstall\\KelpDemoSample"; fi
    echo "Left alone, as it must be:"
    for f in "${kept[@]}"; do
        if [ -e "$f" ]; then echo "  kept         ${f#$VX_DRIVE_C/}"; else echo "  LOST         ${f#$VX_DRIVE_C/}"; bad=1; fi
    done
    if reg_exists KelpToolsSample; then echo "  kept         registry Uninstall\\KelpToolsSample"
    else echo "  LOST         registry Uninstall\\KelpToolsSample"; bad=1; fi
    exit $bad
    ;;
intact)
    cd "$VX_DRIVE_C"
    bad=0
    for f in "${removed[@]}" "${kept[@]}"; do
        case "$f" in "$VX_DRIVE_C/clear.bat") continue ;; esac
        [ -e "$f" ] || { echo "  REMOVED      ${f#$VX_DRIVE_C/}"; bad=1; }
    done
    for k in KelpDemoSample KelpToolsSample; do
        reg_exists "$k" || { echo "  REMOVED      registry Uninstall\\$k"; bad=1; }
    done
    [ "$bad" = 0 ] && echo "Nothing was removed."
    exit $bad
    ;;
clean)
    cd "$VX_DRIVE_C"
    rm -rf "$root" "$programs/Kelp Demo" "$programs/Kelp Tools" "$desktop/Kelp Demo.lnk" \
        "$desktop/Other Product.lnk"
    reg_delete KelpDemoSample
    reg_delete KelpToolsSample
    ;;
*)
    echo "usage: $0 layout VXUNINSTALL.EXE VXMKMAN.EXE | check | intact | clean" >&2
    exit 2
    ;;
esac
