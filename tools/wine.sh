#!/bin/bash
# Emulator for CTest and the tools: runs one Windows program in the project's
# prefix. 64-bit Wine starts 32-bit programs through the 32-bit loader itself.
source "$(dirname "$0")/wine-env.sh"
[ -f "$WINEPREFIX/.vx-ready" ] || "$VX_ROOT/tools/wine-prefix.sh" >&2 || exit 1
# Wine recreates drive Z: when it updates a prefix; never run with it.
rm -f "$WINEPREFIX/dosdevices/z:"
exec "$VX_WINE64" "$@"
