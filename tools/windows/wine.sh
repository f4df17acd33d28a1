#!/bin/sh
# Runs a program of the Windows build under Wine: ctest's test programs, the build's own steps, by hand.
#   tools/windows/wine.sh [--sdk DIR] [--prefisso DIR] PROGRAM.exe [ARGUMENTS...]
# --sdk: the SDK folder (tools/windows/sdk.sh), whose Qt and the compiler's runtime DLLs are put on Wine's
# PATH (a program of the build folder finds them there; the installed tree has them beside the programs).
# --prefisso: the Wine prefix, unless $WINEPREFIX says (tools/windows.sh gives each build folder its own).
# Wine says nothing of its own and installs neither Mono nor Gecko, which no program of the kit needs. Wine
# needs an X display even for programs that open no window (without one they spin): without $DISPLAY the
# program runs in an Xvfb of its own.
set -eu
while [ $# -gt 0 ]; do
    case "$1" in
    --sdk)
        runtime=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)")
        thread=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)")
        export WINEPATH="Z:$2/qt6-mingw64/bin;Z:$runtime;Z:$thread"
        shift 2 ;;
    --prefisso) export WINEPREFIX="${WINEPREFIX:-$2}"; shift 2 ;;
    *) break ;;
    esac
done
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a "$0" "$@"
fi
if [ -t 1 ]; then
    exec wine "$@"
fi
# Into a pipe (ctest's), the output goes through files: a service of Wine that the program starts (the
# desktop, rpcss) outlives it and would keep the pipe open, and the reader would wait for it.
uscita=$(mktemp)
errori=$(mktemp)
trap 'rm -f "$uscita" "$errori"' EXIT
stato=0
wine "$@" >"$uscita" 2>"$errori" || stato=$?
cat "$uscita"
cat "$errori" >&2
exit $stato
