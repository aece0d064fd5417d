#!/bin/bash
# Runs the sample product's uninstaller, answers its confirmation with the
# keyboard through real X input (Return takes the default button, Yes), and
# waits until the process and its self-removal script have finished.
#   run-uninstaller.sh [SCREENSHOT.png]
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
shot=${1:-}
[ -n "${DISPLAY:-}" ] || { echo "run-uninstaller.sh: no X display" >&2; exit 1; }

cd "$VX_DRIVE_C"
"$VX_ROOT/tools/wine.sh" 'C:\vxsample\Kelp Demo\vxUninstall.exe' &
pid=$!
wid=
for _ in $(seq 1 300); do
    wid=$(xdotool search --name 'Kelp' 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && break
    sleep 0.1
done
if [ -z "$wid" ]; then
    echo "run-uninstaller.sh: the confirmation window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
fi
sleep "${VX_CONFIRM_DELAY:-0.5}"
if [ -n "$shot" ]; then
    mkdir -p "$(dirname "$shot")"
    import -window "$wid" "$shot" 2>/dev/null || import -window root "$shot" 2>/dev/null
    [ -f "$shot" ] && echo "picture of the window: $shot"
fi
xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool key Return

for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    echo "run-uninstaller.sh: the uninstaller did not end" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
fi
wait "$pid" || true
# The script deletes itself last.
for _ in $(seq 1 300); do [ -e "$VX_DRIVE_C/clear.bat" ] || break; sleep 0.1; done
sleep 0.3
