#!/bin/bash
# Installs what is missing, builds both targets and runs every test under
# Wine and Xvfb. Idempotent; quick when nothing changed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh
source tools/wine-env.sh
source tools/xvfb.sh

# Every engine run's report then fails at once on this machine.
for preset in x86_64 i686; do
    vx_configure "$preset"
    cmake --build --preset "$preset"
done

cleanup() { "$VX_WINESERVER" -k 2>/dev/null || true; vx_stop_xvfb; }
trap cleanup EXIT
vx_start_xvfb
# One warm wineserver for the whole run: each test process then starts fast.
vx_warm_wine

status=0
ctest --preset x86_64 || status=1
# 32-bit Windows programs need the 32-bit Wine loader, which a kernel with
# its ia32 emulation switched off cannot start.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    ctest --preset i686 || status=1
else
    echo "i686: built; its tests were not run: this kernel cannot execute 32-bit programs"
    # Reading the export table needs no Windows program.
    bash tests/exports_test.sh i686-w64-mingw32-objdump build/i686/vxUninstall.exe \
        tests/exports || status=1
fi
exit $status
