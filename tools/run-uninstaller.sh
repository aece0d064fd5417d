#!/bin/bash
# Runs the sample product's uninstaller and answers its window with real X
# pointer input: a click on "卸 载" (or on "取 消" with --cancel) after
# focusing the window. Waits until the process and its self-removal script
# have finished; exits with the uninstaller's exit code.
#   run-uninstaller.sh [--cancel] [SCREENSHOT.png]
# With VX_PROGRESS_REPORT=FILE it also writes whether the progress strip was
# seen after the click and how long after it the process ended.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
button=uninstall
if [ "${1:-}" = --cancel ]; then button=cancel; shift; fi
shot=${1:-}
[ -n "${DISPLAY:-}" ] || { echo "run-uninstaller.sh: no X display" >&2; exit 1; }

cd "$VX_DRIVE_C"
"$VX_ROOT/tools/wine.sh" 'C:\vxsample\Kelp Demo\vxUninstall.exe' &
pid=$!
wid=
for _ in $(seq 1 300); do
    xdotool search --onlyvisible --name 'Kelp' >/dev/null 2>&1 && break
    sleep 0.1
done
# The window slides in for about a second before it settles; the window is
# then the visible one of that name.
sleep "${VX_CONFIRM_DELAY:-1.5}"
wid=$(xdotool search --onlyvisible --name 'Kelp' 2>/dev/null | tail -1 || true)
geometry=$(xdotool getwindowgeometry --shell "$wid" 2>/dev/null || true)
if [ -z "$wid" ] || [ -z "$geometry" ]; then
    echo "run-uninstaller.sh: the window did not appear" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
fi
eval "$geometry"
if [ -n "$shot" ]; then
    mkdir -p "$(dirname "$shot")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$shot" 2>/dev/null &&
        echo "picture of the window: $shot"
fi
# The buttons' centres on the card: "卸 载" at x 255, "取 消" at x 325,
# both 68 x 29 at y 148.
bx=289
[ "$button" = cancel ] && bx=359
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid" 2>/dev/null || true
xdotool mousemove --sync $((X + bx)) $((Y + 162))
sleep 0.2
xdotool click 1
clicked=$(date +%s%N)

# The strip lies at x 75 to 354, y 150 to 173; (250, 161) is on it and clear
# of the eraser while the sweep begins.
pink=0
if [ -n "${VX_PROGRESS_REPORT:-}" ]; then
    for _ in $(seq 1 10); do
        px=$(import -window root -crop "1x1+$((X + 250))+$((Y + 161))" -depth 8 txt:- 2>/dev/null |
            grep -o '#[0-9A-F]\{6\}' | head -1 || true)
        # Pink: red high, green well below it.
        if [[ "$px" == \#F* && "${px:3:2}" < "C0" ]]; then pink=1; break; fi
    done
fi

for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then
    echo "run-uninstaller.sh: the uninstaller did not end" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
fi
rc=0
wait "$pid" || rc=$?
if [ -n "${VX_PROGRESS_REPORT:-}" ]; then
    echo "strip_seen=$pink ended_ms=$((($(date +%s%N) - clicked) / 1000000))" >"$VX_PROGRESS_REPORT"
fi
# The script deletes itself last.
for _ in $(seq 1 300); do [ -e "$VX_DRIVE_C/clear.bat" ] || break; sleep 0.1; done
sleep 0.3
exit $rc
