#!/bin/bash
# Builds the 64-bit benchmark if needed and runs it once under the project's
# Wine prefix: bench/run.sh [files]
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/tools/wine-env.sh"
cd "$root"
vx_configure x86_64 || exit 1
cmake --build --preset x86_64 --target vxbench >/dev/null || exit 1
# A warm wineserver keeps process start-up out of the timings. Exit code 2
# means one is already running for this prefix (someone else's): use it and
# leave it running; stop only the one started here.
"$VX_WINESERVER" -p >/dev/null 2>&1
own=$?
vx_warm_wine
"$root/tools/wine.sh" build/x86_64/bench/vxbench.exe "$@"
rc=$?
[ "$own" -eq 0 ] && "$VX_WINESERVER" -k
exit $rc
