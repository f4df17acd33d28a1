#!/bin/sh
# Cross-builds Sportello for 64-bit Windows with MinGW-w64 (build-windows/) and makes its installer
# sportello-<version>-setup.exe and its portable sportello-<version>-win64.zip there; prints their paths and
# sizes (each must stay within 30 MB).
#   tools/windows.sh [--prove] [--sdk DIR] [--senza-compilare-qt]
#     --prove   then runs the test suite under Wine in Xvfb (leaving out the tests of tools/windows/escluse.txt),
#               compares sportello-cli.exe with the Linux build case by case (tools/windows/confronta_cli.sh,
#               building the Linux sportello-cli in build/ if needed) and checks the installer and the zip under
#               Wine (tools/windows/prova_wine.sh)
#     --sdk DIR, --senza-compilare-qt   passed to tools/windows/sdk.sh: the SDK's cache folder; never build Qt
#               (without Qt for Windows the Windows build is skipped, with one line saying so)
# Sets up what it needs (tools/setup.sh --windows) and the SDK (tools/windows/sdk.sh) first.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
prove=no
opzioni_sdk=""
while [ $# -gt 0 ]; do
    case "$1" in
    --prove) prove=yes ;;
    --sdk) opzioni_sdk="$opzioni_sdk --cartella $2"; shift ;;
    --senza-compilare-qt) opzioni_sdk="$opzioni_sdk --senza-compilare-qt" ;;
    *) echo "tools/windows.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

"$radice/tools/setup.sh" --windows
inizio=$(date +%s)
stato=0
# shellcheck disable=SC2086 # the options are words
sdk=$("$radice/tools/windows/sdk.sh" $opzioni_sdk | tail -n 1) || stato=$?
if [ $stato -eq 3 ]; then
    echo "Windows build skipped: no Qt for Windows ($sdk)."
    exit 0
fi
[ $stato -eq 0 ] || exit $stato

build=$radice/build-windows
export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
cmake -S "$radice" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$radice/cmake/WindowsMinGW.cmake" \
    -DSPORTELLO_SDK_WINDOWS="$sdk" -DCMAKE_BUILD_TYPE=Release -DSPORTELLO_BENCHMARKS=OFF \
    -DSPORTELLO_STRUMENTI=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
cmake --build "$build" --target sportello_windows
fine=$(date +%s)
echo "Windows build: $(((fine - inizio) / 60)) min $(((fine - inizio) % 60)) s"

troppo=no
for pacchetto in "$build"/sportello-*-setup.exe "$build"/sportello-*-win64.zip; do
    byte=$(stat -c %s "$pacchetto")
    echo "$pacchetto: $((byte / 1024)) KiB"
    [ "$byte" -le $((30 * 1024 * 1024)) ] || { echo "$pacchetto is larger than 30 MB" >&2; troppo=yes; }
done
[ $troppo = no ]
[ $prove = yes ] || exit 0

if [ ! -x "$radice/build/bin/sportello-cli" ]; then
    cmake -S "$radice" -B "$radice/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$radice/build" --target sportello-cli
fi

# The suite under Wine, then sportello-cli.exe beside the Linux one, then the installer and the zip: in one
# Xvfb, in a Wine prefix of the build folder kept alive meanwhile.
elenco=$radice/tools/windows/escluse.txt
escluse=$(sed -n 's/^\([^#@][^|]*[^ |]\) *|.*/\1/p' "$elenco" | paste -sd '|' -)
finestre=$(sed -n 's/^@windows \([^|]*[^ |]\) *|.*/\1/p' "$elenco" | paste -sd '|' -)
export WINEPREFIX="$build/wine"
# shellcheck disable=SC2016 # the inner script's own variables
xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    radice=$1 sdk=$2 build=$3 escluse=$4 finestre=$5
    "$radice/tools/windows/wine.sh" --sdk "$sdk" wineboot -i >/dev/null 2>&1
    # A program that crashes ends at once, its test failed, instead of waiting behind the crash dialog of Wine.
    "$radice/tools/windows/wine.sh" reg add "HKCU\\Software\\Wine\\WineDbg" /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1
    wineserver -p
    stato=0
    # A window test that Wine, on a busy machine, keeps past its time gets a second try.
    ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 600 --repeat until-pass:2 \
        -E "${escluse:+$escluse|}${finestre:-^$}" || stato=1
    if [ -n "$finestre" ]; then
        SPORTELLO_QPA=windows ctest --test-dir "$build" --output-on-failure --timeout 600 --repeat until-pass:2 \
            -R "$finestre" || stato=1
    fi
    "$radice/tools/windows/confronta_cli.sh" "$radice/build/bin" "$build/bin" "$sdk" || stato=1
    "$radice/tools/windows/prova_wine.sh" "$build" || stato=1
    wineserver -k || true
    exit $stato
' prove "$radice" "$sdk" "$build" "$escluse" "$finestre"
fine=$(date +%s)
echo "Windows build and its tests under Wine: $(((fine - inizio) / 60)) min $(((fine - inizio) % 60)) s"
