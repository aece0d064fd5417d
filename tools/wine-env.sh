# Sourced by the scripts under tools/: the project's own Wine prefix and
# scratch HOME, so that nothing a test does can reach the user's files.
VX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${VX_WINEPREFIX:-$VX_ROOT/build/wine}"
export HOME="$WINEPREFIX.home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
VX_WINE64=/usr/lib/wine/wine64
VX_WINESERVER=/usr/lib/wine/wineserver
VX_DRIVE_C="$WINEPREFIX/drive_c"

# Starts one persistent wineserver for this prefix and the prefix's own
# service processes, with their output on /dev/null: started later by a
# test, they would inherit its output pipe and keep it open, and CTest waits
# for that pipe to close.
vx_warm_wine() {
    "$VX_WINESERVER" -p >/dev/null 2>&1 || true # one already running is fine
    "$VX_WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

# Configures a preset for runs on this machine: the vendor's endpoints point
# at 127.0.0.2, where nothing listens, so no report ever leaves the machine
# (the placeholder names would still be looked up outside it).
vx_configure() {
    cmake --preset "$1" -DVX_REPORT_URL=http://127.0.0.2/report.asp \
        -DVX_API_URL=http://127.0.0.2/api.ashx >/dev/null
}
