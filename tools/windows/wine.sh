#!/bin/sh
# Runs a program of the Windows build under Wine: ctest's test programs, the build's own steps.
#   tools/windows/wine.sh PROGRAM.exe [ARGUMENTS...]
# The Wine prefix is $WINEPREFIX (tools/windows.sh gives each build folder its own); Wine says nothing of its
# own and installs neither Mono nor Gecko, which no program of the kit needs. Wine needs an X display, even
# for programs that open no window (without one they spin): run under xvfb-run.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
