#!/bin/bash
# Runs the sample product's uninstaller and answers its window with real X
# input after focusing it: a click on "卸 载" (or on "取 消" with --cancel),
# or the keys given with --keys (xdotool key names, e.g. "Tab,space").
# Waits until the process and its self-removal script have finished; exits
# with the uninstaller's exit code.
#   run-uninstaller.sh [--cancel | --keys KEYS] [--box] [--close-during-run]
#                      [--answer-box] [SCREENSHOT.png]
# --box: the first window is a message box (nothing to uninstall); Enter
# closes it. --close-during-run: Alt+F4 once the progress strip shows.
# --answer-box: Enter on the message box that ends the run.
# VX_DURING_RUN=COMMAND runs COMMAND once the strip shows (before Alt+F4).
# With VX_PROGRESS_REPORT=FILE it also writes whether the progress strip was
# seen after the click and how long after it the process ended.
# VX_DPI: the screen's DPI (96 unless set), which the window's size and
# places scale with. VX_PROGRESS_SHOT=FILE: a picture of the progress page;
# VX_BOX_SHOT=FILE: a picture of the message box before it is answered.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
button=uninstall keys= box=0 close=0 answer=0
while [ $# -gt 0 ]; do
    case "$1" in
    --cancel) button=cancel ;;
    --keys) keys=$2; shift ;;
    --box) box=1 ;;
    --close-during-run) close=1 ;;
    --answer-box) answer=1 ;;
    *) break ;;
    esac
    shift
done
shot=${1:-}
[ -n "${DISPLAY:-}" ] || { echo "run-uninstaller.sh: no X display" >&2; exit 1; }

# Gives window $1 the input focus, as keys need, and waits until it has it.
focus_window() {
    for _ in $(seq 1 50); do
        [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ] && return 0
        xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1" 2>/dev/null || true
        sleep 0.1
    done
    return 1
}

# A length of the card's layout at 96 DPI, at the screen's DPI, rounded as
# the program rounds it.
dpi=${VX_DPI:-96}
px() { echo $((($1 * dpi + 48) / 96)); }

# The window's geometry once it has stayed the same for half a second.
settled_geometry() {
    local last= now
    for _ in $(seq 1 50); do
        now=$(xdotool getwindowgeometry --shell "$1" 2>/dev/null || true)
        [ -n "$now" ] && [ "$now" = "$last" ] && break
        last=$now
        sleep 0.5
    done
    echo "$now"
}

# Enter on the visible Kelp window that is not the card (by its size).
answer_box() {
    local w g
    for _ in $(seq 1 300); do
        for w in $(xdotool search --onlyvisible --name 'Kelp' 2>/dev/null); do
            g=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null || true)
            if [ -n "$g" ] && ! grep -q "^WIDTH=$(px 450)\$" <<<"$g"; then
                sleep 1.5
                # Its show effect has ended once its size holds still.
                g=$(settled_geometry "$w")
                if [ -n "${VX_BOX_SHOT:-}" ]; then
                    (eval "$g"; import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage \
                        "$VX_BOX_SHOT" 2>/dev/null) || true
                fi
                focus_window "$w" || true
                xdotool key --clearmodifiers Return
                return 0
            fi
        done
        sleep 0.1
    done
    echo "run-uninstaller.sh: no message box appeared" >&2
    return 1
}

cd "$VX_DRIVE_C"
"$VX_ROOT/tools/wine.sh" 'C:\vxsample\Kelp Demo\vxUninstall.exe' &
pid=$!
if [ "$box" = 1 ]; then
    answer_box || { kill "$pid" 2>/dev/null || true; exit 1; }
    rc=0
    wait "$pid" || rc=$?
    exit $rc
fi
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
bx=$(px 289)
[ "$button" = cancel ] && bx=$(px 359)
xdotool windowactivate --sync "$wid" 2>/dev/null || xdotool windowfocus --sync "$wid" 2>/dev/null || true
if [ -n "$keys" ]; then
    # The pointer rests off the card, so only the keys act on it; keys go
    # where the input focus is, so the card must hold it for each.
    xdotool mousemove --sync $((X + WIDTH + 40)) $((Y + HEIGHT + 40))
    sleep 0.2
    for k in ${keys//,/ }; do
        focus_window "$wid" || true
        xdotool key --clearmodifiers "$k"
        sleep 0.3
    done
else
    xdotool mousemove --sync $((X + bx)) $((Y + $(px 162)))
    sleep 0.2
    xdotool click 1
fi
clicked=$(date +%s%N)

# The strip lies at x 75 to 354, y 150 to 173; (250, 161) is on it and clear
# of the eraser while the sweep begins.
strip_shows() {
    local c
    c=$(import -window root -crop "1x1+$((X + $(px 250)))+$((Y + $(px 161)))" -depth 8 txt:- \
        2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -1 || true)
    # Pink: red high, green well below it.
    [[ "$c" == \#F* && "${c:3:2}" < "C0" ]]
}
pink=0
if [ -n "${VX_PROGRESS_REPORT:-}${VX_PROGRESS_SHOT:-}" ]; then
    for _ in $(seq 1 10); do
        if strip_shows; then pink=1; break; fi
    done
fi
if [ -n "${VX_PROGRESS_SHOT:-}" ] && [ "$pink" = 1 ]; then
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$VX_PROGRESS_SHOT" 2>/dev/null || true
fi

if [ "$close" = 1 ]; then
    # As soon as the strip shows: the run must go on to its end.
    for _ in $(seq 1 100); do
        strip_shows && break
        sleep 0.05
    done
    # VX_DURING_RUN: a command run while the run goes on, before the close.
    if [ -n "${VX_DURING_RUN:-}" ]; then eval "$VX_DURING_RUN" || true; fi
    focus_window "$wid" || true
    xdotool key --clearmodifiers alt+F4
fi
[ "$answer" = 1 ] && { answer_box || true; }
for _ in $(seq 1 600); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
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
