#!/bin/bash
# End to end: the built vxUninstall.exe on a fake install, answered with real
# pointer clicks. Cancelling ends the process with code 0 and removes
# nothing; confirming shows the progress strip for about two seconds and
# removes the product and the uninstaller itself.
#   e2e_uninstall.sh VXUNINSTALL.EXE VXMKMAN.EXE
set -euo pipefail
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
out="$(cd "$(dirname "$1")" && pwd)/tests"
mkdir -p "$out"
status=0

"$tools/sample-product.sh" layout "$1" "$2" >/dev/null
rc=0
"$tools/run-uninstaller.sh" --cancel || rc=$?
[ "$rc" = 0 ] || { echo "cancel: exit code $rc"; status=1; }
"$tools/sample-product.sh" intact || status=1

"$tools/sample-product.sh" layout "$1" "$2" >/dev/null
VX_PROGRESS_REPORT="$out/e2e-progress.txt" "$tools/run-uninstaller.sh" "$out/e2e-confirm.png" ||
    status=1
cat "$out/e2e-progress.txt"
# The display takes ten steps of 200 ms to reach 100, and the process ends
# only then: not before about two seconds (generous bounds either side).
read -r seen ended <"$out/e2e-progress.txt"
ms=${ended#ended_ms=}
if [ "$seen" != strip_seen=1 ] || [ "$ms" -lt 1800 ] || [ "$ms" -gt 30000 ]; then
    echo "progress: the strip was not swept as it should be"
    status=1
fi
"$tools/sample-product.sh" check || status=1
"$tools/sample-product.sh" clean
exit $status
