#!/bin/bash
# The main job on a fresh machine: builds vxUninstall.exe, lays out a sample
# product in the scratch Wine prefix, runs the real uninstaller on it,
# confirms, and prints what was removed and what remained.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
source tools/wine-env.sh
source tools/xvfb.sh

preset=x86_64
vx_configure "$preset"
cmake --build --preset "$preset" --target vxUninstall vxmkman >/dev/null

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then headless=1; fi
cleanup() { tools/sample-product.sh clean || true; "$VX_WINESERVER" -k 2>/dev/null || true; vx_stop_xvfb; }
trap cleanup EXIT
vx_start_xvfb
vx_warm_wine

tools/sample-product.sh layout "build/$preset/vxUninstall.exe" "build/$preset/vxmkman.exe"
echo "Sample product laid out in $VX_DRIVE_C/vxsample; running its vxUninstall.exe"
if [ "$headless" = 1 ]; then
    tools/run-uninstaller.sh "$VX_ROOT/build/demo-confirm.png"
else
    echo "The confirmation is on your display; it is answered Yes in 3 seconds."
    VX_CONFIRM_DELAY=3 tools/run-uninstaller.sh
fi
tools/sample-product.sh check
