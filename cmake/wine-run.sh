#!/bin/sh
# Runs a Windows program of a cross build under Wine, in a throw-away prefix
# that belongs to the build tree and is made on first use.
#
#   wine-run.sh <x86_64|i686> <prefix directory> <program.exe> [arguments...]
#
# BRENVIK_WINE names the Wine loader to use instead of the one found here;
# BRENVIK_WINEDEBUG replaces the default WINEDEBUG=-all.
set -eu

if [ $# -lt 3 ]; then
    echo "usage: $0 <x86_64|i686> <prefix directory> <program> [arguments...]" >&2
    exit 2
fi
arch=$1
prefix=$2
shift 2

find_loader() {
    if [ -n "${BRENVIK_WINE:-}" ]; then
        echo "$BRENVIK_WINE"
        return 0
    fi
    case $arch in
    x86_64) candidates="/usr/lib/wine/wine64 wine64 /usr/lib64/wine/wine64 wine" ;;
    i686) candidates="/usr/lib/wine/wine /usr/lib/i386-linux-gnu/wine/wine wine" ;;
    *) echo "wine-run.sh: unknown architecture '$arch'" >&2; return 1 ;;
    esac
    for c in $candidates; do
        case $c in
        /*) [ -x "$c" ] && { echo "$c"; return 0; } ;;
        *) command -v "$c" >/dev/null 2>&1 && { command -v "$c"; return 0; } ;;
        esac
    done
    echo "wine-run.sh: no Wine loader for $arch found (install wine64, or wine32 for i686)" >&2
    return 1
}

loader=$(find_loader)

find_server() {
    dir=$(dirname "$loader")
    for c in "$dir/wineserver64" "$dir/wineserver32" "$dir/wineserver"; do
        [ -x "$c" ] && { echo "$c"; return 0; }
    done
    command -v wineserver 2>/dev/null || true
}

# No windows, no installers for Mono and Gecko, no menu entries, no noise.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX="$prefix"
# Wine links the profile folders to the home directory; a bare CI
# environment may have none.
export HOME="${HOME:-$(dirname "$prefix")}"
export WINEDEBUG="${BRENVIK_WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ "$arch" = i686 ]; then
    export WINEARCH=win32
else
    export WINEARCH=win64
fi
case $loader in
*/wine64 | */wine) export WINELOADER="$loader" ;;
esac

if [ ! -f "$prefix/.brenvik-ready" ]; then
    mkdir -p "$(dirname "$prefix")"
    # Tests run in parallel; one of them makes the prefix, the others wait.
    (
        flock 9
        if [ ! -f "$prefix/.brenvik-ready" ]; then
            rm -rf "$prefix"
            "$loader" wineboot --init >/dev/null 2>&1 || true
            # The registry reaches the disk when the server ends.
            server=$(find_server)
            [ -n "$server" ] && "$server" -w || true
            if [ ! -f "$prefix/system.reg" ]; then
                echo "wine-run.sh: could not make the Wine prefix $prefix" >&2
                exit 1
            fi
            touch "$prefix/.brenvik-ready"
        fi
    ) 9>"$prefix.lock"
fi

# Keep the server up between the programs of a test run: starting it costs
# seconds, a program of ours milliseconds. It ends by itself once idle.
server=$(find_server)
if [ -n "$server" ]; then
    "$server" -p"${BRENVIK_WINESERVER_LINGER:-20}" >/dev/null 2>&1 || true
fi

# Wine's helper processes (services, device drivers) outlive the program and
# would hold on to our output until the server ends; give the program a file
# to write to, and pass on what it wrote.
out=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX")
trap 'rm -f "$out"' EXIT
rc=0
"$loader" "$@" </dev/null >"$out" 2>&1 || rc=$?
cat "$out"
exit $rc
