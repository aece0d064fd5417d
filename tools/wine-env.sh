# Sourced by the scripts under tools/: the project's own Wine prefix and
# scratch HOME, so that nothing a test does can reach the user's files.
VX_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${VX_WINEPREFIX:-$VX_ROOT/build/wine}"
export HOME="$WINEPREFIX.home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
VX_WINE64=/usr/lib/wine/wine64
# Debian's 32-bit loader (package wine32): it starts 32-bit programs, and
# 64-bit ones through wine64 beside it. wine64 alone starts no 32-bit program.
VX_WINE32=/usr/lib/wine/wine
VX_WINESERVER=/usr/lib/wine/wineserver
VX_DRIVE_C="$WINEPREFIX/drive_c"

# The Unix file behind a program argument: a Unix path as it is, "C:\..."
# inside the prefix.
vx_unix_path() {
    case "$1" in
    [A-Za-z]:\\*)
        local drive rest
        drive=$(printf '%s' "${1:0:1}" | tr 'A-Z' 'a-z')
        rest=${1:3}
        printf '%s' "$WINEPREFIX/dosdevices/$drive:/${rest//\\//}"
        ;;
    *) printf '%s' "$1" ;;
    esac
}

# i386 or x86_64 from a Windows program's PE header; nothing for anything else.
vx_pe_machine() {
    local f off sig
    f=$(vx_unix_path "$1")
    [ -f "$f" ] || return 0
    off=$(od -An -tu4 -j60 -N4 "$f" 2>/dev/null | tr -d ' ')
    [ -n "$off" ] || return 0
    sig=$(od -An -tx1 -j"$off" -N6 "$f" 2>/dev/null | tr -d ' \n')
    case "$sig" in
    504500004c01) echo i386 ;;
    504500006486) echo x86_64 ;;
    esac
}

# The loader for one program: the 32-bit loader for a 32-bit program,
# wine64 for everything else (64-bit programs and the prefix's own commands).
vx_loader() {
    if [ "$(vx_pe_machine "$1")" = i386 ]; then echo "$VX_WINE32"; else echo "$VX_WINE64"; fi
}

# Whether this machine starts 32-bit Windows programs, learnt by running one
# (the i686 build's probe must be built); VX_I686_REASON says why not. A
# kernel without ia32 emulation cannot start Wine's 32-bit loader at all.
vx_can_run_i686() {
    local out
    out=$(timeout 120 "$VX_ROOT/tools/wine.sh" "$VX_ROOT/build/i686/tests/platform_probe.exe" 2>&1) || true
    grep -q vx-probe-ok <<<"$out" && return 0
    if ! "$VX_WINE32" --version >/dev/null 2>&1; then
        VX_I686_REASON="this kernel cannot execute 32-bit programs ($VX_WINE32 does not start)"
    else
        VX_I686_REASON="a 32-bit test program did not start: $(head -1 <<<"$out")"
    fi
    return 1
}

# Starts one persistent wineserver for this prefix and the prefix's own
# service processes, with their output on /dev/null: started later by a
# test, they would inherit its output pipe and keep it open, and CTest waits
# for that pipe to close.
# VX_OWN_WINESERVER says whether this call started it: a script stops only
# the server it started (vx_stop_own_wine), never one that other programs in
# the same prefix, another run's tests among them, are using.
vx_warm_wine() {
    if "$VX_WINESERVER" -p >/dev/null 2>&1; then VX_OWN_WINESERVER=1; else VX_OWN_WINESERVER=0; fi
    "$VX_WINE64" cmd /c exit </dev/null >/dev/null 2>&1 || true
}

vx_stop_own_wine() {
    if [ "${VX_OWN_WINESERVER:-0}" = 1 ]; then "$VX_WINESERVER" -k 2>/dev/null || true; fi
}

# Configures a preset for runs on this machine: the vendor's endpoints point
# at 127.0.0.2, where nothing listens, so no report ever leaves the machine
# (the placeholder names would still be looked up outside it).
vx_configure() {
    cmake --preset "$1" -DVX_REPORT_URL=http://127.0.0.2/report.asp \
        -DVX_API_URL=http://127.0.0.2/api.ashx >/dev/null
}
