#!/bin/bash
# The built vxUninstall.exe's window for every user, on the sample product:
# keys alone, a close during the run, a missing or damaged manifest, a file
# held through the run, the accessible tree a screen reader reads; and the
# unattended runs, which show no window at all.
#   e2e_window.sh VXUNINSTALL.EXE VXMKMAN.EXE APP_CHILD.EXE HOLDER.EXE
set -uo pipefail
tools="$(cd "$(dirname "$0")/../../tools" && pwd)"
source "$tools/wine-env.sh"
product="$VX_DRIVE_C/vxsample/Kelp Demo"
session='HKLM\System\CurrentControlSet\Control\Session Manager'
progress=$(mktemp)
status=0
fail() { echo "FAIL $case: $*"; status=1; }

# name | what is done to the install first | how the window is answered |
# exit code | what must be left: intact, removed, or uninstaller (only it stays)
while IFS='|' read -r case prepare answer code left; do
    [ -n "$case" ] || continue
    "$tools/sample-product.sh" layout "$1" "$2" >/dev/null
    case "$prepare" in
    missing) rm "$product/vxUninstall.dat" ;;
    damaged) truncate -s 700 "$product/vxUninstall.dat" ;;
    many) mkdir -p "$product/data/many" && (cd "$product/data/many" && seq 1 3000 | xargs touch) ;;
    held) "$tools/wine.sh" "$4" hold 'C:\vxsample\Kelp Demo\data\held.bin' 20000 \
        'C:\vxsample\held.marker' >/dev/null 2>&1 &
        echo held >"$product/data/held.bin"
        for _ in $(seq 1 100); do [ -e "$VX_DRIVE_C/vxsample/held.marker" ] && break; sleep 0.1; done ;;
    esac
    rc=0
    # During the long run a screen reader reads the progress bar.
    during=
    [ "$prepare" = many ] && during="\"$tools/wine.sh\" \"$3\" acc Kelp >'$progress' 2>/dev/null"
    # shellcheck disable=SC2086
    VX_DURING_RUN=$during "$tools/run-uninstaller.sh" $answer || rc=$?
    # A Unix parent sees only the low byte of a Windows exit code.
    [ "$rc" = "$code" ] || [ "$rc" = $((code % 256)) ] || fail "exit code $rc, expected $code"
    case "$left" in
    intact) [ -e "$product/data/levels/level1.dat" ] && [ -e "$product/vxUninstall.exe" ] ||
        fail "something was removed" ;;
    uninstaller) [ -e "$product/vxUninstall.exe" ] && [ -e "$product/bin/engine.dll" ] ||
        fail "the uninstaller or the product is gone" ;;
    removed) "$tools/sample-product.sh" check >/dev/null || fail "not everything was removed" ;;
    restart) [ ! -e "$product/data/levels/level1.dat" ] && [ -e "$product/data/held.bin" ] ||
        fail "the held file should stay until the restart, and only it"
        "$tools/wine.sh" reg query "$session" /v PendingFileRenameOperations 2>/dev/null |
            grep -q 'held.bin' || fail "the held file is not scheduled for the restart"
        "$tools/wine.sh" reg delete "$session" /v PendingFileRenameOperations /f >/dev/null 2>&1 ;;
    esac
    if [ "$prepare" = many ]; then
        grep -q '^48|卸载进度|[0-9]*%|' "$progress" || fail "no progress bar: $(cat "$progress")"
    fi
    echo "$case: exit code $rc"
done <<'CASES'
escape||--keys Escape|0|intact
tab-space||--keys Tab,space|0|intact
enter||--keys Return|0|removed
missing|missing|--box|1603|uninstaller
damaged|damaged|--box|1603|uninstaller
alt-f4|many|--close-during-run|0|removed
restart|held|--keys Return --answer-box|3010|restart
CASES

# Unattended: name | what is done first | switches, ';' between them |
# exit code | what must be left
while IFS='|' read -r case prepare switches code left; do
    [ -n "$case" ] || continue
    "$tools/sample-product.sh" layout "$1" "$2" >/dev/null
    first=
    case "$prepare" in
    missing) rm "$product/vxUninstall.dat" ;;
    logdir) mkdir -p "$VX_DRIVE_C/vxsample/日志 目录" ;;
    first) (cd "$VX_DRIVE_C" && "$tools/wine.sh" 'C:\vxsample\Kelp Demo\vxUninstall.exe') &
        first=$!
        for _ in $(seq 1 100); do xdotool search --onlyvisible --name Kelp >/dev/null 2>&1 && break; sleep 0.1; done ;;
    esac
    IFS=';' read -ra args <<<"$switches"
    (cd "$VX_DRIVE_C" && "$tools/wine.sh" 'C:\vxsample\Kelp Demo\vxUninstall.exe' "${args[@]}") &
    pid=$! seen=0
    while kill -0 "$pid" 2>/dev/null; do
        [ -z "$first" ] && xdotool search --onlyvisible --name Kelp >/dev/null 2>&1 && seen=1
        sleep 0.05
    done
    rc=0
    wait "$pid" || rc=$?
    [ "$seen" = 0 ] || fail "a window appeared"
    [ "$rc" = "$code" ] || [ "$rc" = $((code % 256)) ] || fail "exit code $rc, expected $code"
    if [ -n "$first" ]; then
        w=$(xdotool search --onlyvisible --name Kelp | tail -1)
        for _ in $(seq 1 50); do
            [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] && break
            xdotool windowfocus --sync "$w" 2>/dev/null
            sleep 0.1
        done
        xdotool key --clearmodifiers Escape
        for _ in $(seq 1 100); do kill -0 "$first" 2>/dev/null || break; sleep 0.1; done
        kill -0 "$first" 2>/dev/null && { fail "the first copy did not take Escape"; kill "$first"; }
        wait "$first" 2>/dev/null
    fi
    for _ in $(seq 1 300); do [ -e "$VX_DRIVE_C/clear.bat" ] || break; sleep 0.1; done
    sleep 0.3
    case "$left" in
    intact) "$tools/sample-product.sh" intact >/dev/null || fail "something was removed" ;;
    uninstaller) [ -e "$product/vxUninstall.exe" ] || fail "the uninstaller is gone" ;;
    removed) "$tools/sample-product.sh" check >/dev/null || fail "not everything was removed" ;;
    esac
    if [ "$prepare" = logdir ]; then
        tail -1 "$VX_DRIVE_C/vxsample/日志 目录/记录.log" 2>/dev/null | grep -q '^total: ' ||
            fail "no record at the /log path"
    fi
    echo "$case: exit code $rc"
done <<'CASES'
silent||/S|0|removed
silent-missing|missing|-s|1603|uninstaller
unknown-switch||/S;/x|87|intact
log|logdir|/S;/log=C:\vxsample\日志 目录\记录.log|0|removed
second-copy|first|/S|1618|intact
CASES

# The card through a screen reader's eyes; "取消" pressed through it.
case=accessible
"$tools/sample-product.sh" layout "$1" "$2" >/dev/null
(cd "$VX_DRIVE_C" && "$tools/wine.sh" 'C:\vxsample\Kelp Demo\vxUninstall.exe') &
pid=$!
sleep 3
tree=$("$tools/wine.sh" "$3" acc 'Kelp' '取消' 2>/dev/null | tr -d '\r')
echo "$tree"
grep -q '^41|您确定要卸载Kelp Demo?|' <<<"$tree" || fail "no prompt text"
grep -q '^43|卸载|-|[0-9a-f]*|按下$' <<<"$tree" || fail "no 卸载 push button"
grep -q '^43|取消|' <<<"$tree" || fail "no 取消 push button"
for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && { fail "取消 through the tree did not close the window"; kill "$pid"; }
"$tools/sample-product.sh" intact >/dev/null || fail "something was removed"
"$tools/sample-product.sh" clean
exit $status
