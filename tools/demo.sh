#!/bin/bash
# The main job on a fresh machine: builds vxUninstall.exe, lays out a sample
# product in the scratch Wine prefix, runs the real uninstaller on it,
# confirms, and prints what was removed and what remained.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
source tools/wine-env.sh
source tools/xvfb.sh

# The shipping 32-bit build where this machine starts 32-bit programs.
vx_configure i686
cmake --build --preset i686 --target vxUninstall vxmkman platform_probe >/dev/null

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then headless=1; fi
cleanup() { tools/sample-product.sh clean || true; vx_stop_own_wine; vx_stop_xvfb; }
trap cleanup EXIT
vx_start_xvfb
vx_warm_wine
if vx_can_run_i686; then
    preset=i686
    echo "Running the shipping build (i686)."
else
    preset=x86_64
    echo "Running the x86_64 build: the shipping i686 build cannot run here: $VX_I686_REASON."
    vx_configure "$preset"
    cmake --build --preset "$preset" --target vxUninstall vxmkman >/dev/null
fi

tools/sample-product.sh layout "build/$preset/vxUninstall.exe" "build/$preset/vxmkman.exe"
echo "Sample product laid out in $VX_DRIVE_C/vxsample; running its vxUninstall.exe"
if [ "$headless" = 1 ]; then
    tools/run-uninstaller.sh "$VX_ROOT/build/demo-confirm.png"
else
    echo "The window is on your display; \"卸 载\" is clicked for you in 3 seconds."
    VX_CONFIRM_DELAY=3 tools/run-uninstaller.sh
fi
tools/sample-product.sh check
