#!/bin/bash
# Emulator for CTest and the tools: runs one Windows program in the project's
# prefix, through the loader that matches the program's PE machine type.
source "$(dirname "$0")/wine-env.sh"
[ -f "$WINEPREFIX/.vx-ready" ] || "$VX_ROOT/tools/wine-prefix.sh" >&2 || exit 1
# Wine recreates drive Z: when it updates a prefix; never run with it.
rm -f "$WINEPREFIX/dosdevices/z:"
# Output goes through files rather than straight to the caller: processes a
# Windows program makes Wine start (its desktop, services started on demand)
# inherit the program's output handles and can outlive it, and a caller that
# reads a pipe, as CTest does, would wait for them to end.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"$(vx_loader "${1:-}")" "$@" <&0 >"$out" 2>"$err" &
child=$!
trap 'kill "$child" 2>/dev/null' TERM INT
wait "$child"
rc=$?
cat "$out"
cat "$err" >&2
exit $rc
