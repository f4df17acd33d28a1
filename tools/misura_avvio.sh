#!/bin/sh
# Start-up time of Sportello against two yardsticks, from process start to the main window painted (and
# the process ended), all three offscreen, in turn, in the same run:
#   avvio_vuoto      a bare Qt window of the main window's size;
#   avvio_testo      the same window with one label and one push button with text: any program with text
#                    pays for the font set-up, so this is what a program with text cannot go below;
#   avvio_sportello  the program's own start (tools/avvio/avvio_sportello.cpp, as app/main.cpp) up to the
#                    first paint of the main window.
# Prints the median of each and the two ratios. Targets on an idle machine: at most 1.3 against the bare
# window, at most 1.15 against the window with text. Wall times on a busy machine mean little (fixed costs
# shrink against the waiting): there, --istruzioni counts the instructions of one start of each under
# callgrind instead, which do not depend on the load (the ratios are then a proxy, not the target).
#
#   tools/misura_avvio.sh [runs]          (default 40)
#   tools/misura_avvio.sh --istruzioni    (needs valgrind)
#   tools/misura_avvio.sh --indurito [runs | --istruzioni]
#
# It builds what it measures in build-avvio/ (RelWithDebInfo, without tests), reusing it on later runs.
# --indurito builds in build-avvio-indurito/ with the compiler and linker flags of the Debian package
# (dpkg-buildflags with hardening=+all, as debian/rules), to compare the hardened start with the plain one.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
cartella=$radice/build-avvio
istruzioni=0
giri=40
if [ "${1:-}" = --indurito ]; then
    cartella=$radice/build-avvio-indurito
    DEB_BUILD_MAINT_OPTIONS=hardening=+all
    export DEB_BUILD_MAINT_OPTIONS
    CXXFLAGS=$(dpkg-buildflags --get CXXFLAGS) CPPFLAGS=$(dpkg-buildflags --get CPPFLAGS)
    LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
    CXXFLAGS="$CXXFLAGS $CPPFLAGS"
    export CXXFLAGS LDFLAGS
    shift
fi
case "${1:-}" in
--istruzioni) istruzioni=1 ;;
'') ;;
*[!0-9]* | 0)
    echo "uso: $0 [giri] | --istruzioni" >&2
    exit 2
    ;;
*) giri=$1 ;;
esac

if [ "$istruzioni" = 1 ] && ! command -v valgrind >/dev/null 2>&1; then
    echo "valgrind is needed for --istruzioni (apt-get install valgrind)" >&2
    exit 1
fi

echo "Building the three programs in $cartella ..."
mkdir -p "$cartella"
lanciatore=
if command -v ccache >/dev/null 2>&1; then
    lanciatore=-DCMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
generatore=
if [ ! -f "$cartella/CMakeCache.txt" ] && command -v ninja >/dev/null 2>&1; then
    generatore="-G Ninja"
fi
# shellcheck disable=SC2086 # the two options are single words or nothing
cmake -S "$radice" -B "$cartella" $generatore $lanciatore -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSPORTELLO_TESTS=OFF -DSPORTELLO_BENCHMARKS=OFF -DSPORTELLO_SANITIZE=OFF >"$cartella/costruzione.log" 2>&1 ||
    { cat "$cartella/costruzione.log" >&2; exit 1; }
cmake --build "$cartella" --target avvio_vuoto avvio_testo avvio_sportello cronometro -j"$(nproc)" \
    >>"$cartella/costruzione.log" 2>&1 || { tail -40 "$cartella/costruzione.log" >&2; exit 1; }

export QT_QPA_PLATFORM=offscreen
programmi="$cartella/tools/avvio_vuoto $cartella/tools/avvio_testo $cartella/tools/avvio_sportello"

if [ "$istruzioni" = 1 ]; then
    tmp=$(mktemp -d)
    trap 'rm -rf "$tmp"' EXIT
    for p in $programmi; do
        valgrind --tool=callgrind --callgrind-out-file="$tmp/cg" "$p" 2>"$tmp/log" >/dev/null
        printf '%s %s\n' "$(basename "$p")" "$(sed -n 's/.*Collected : \([0-9]*\).*/\1/p' "$tmp/log")"
    done | awk '
        { n[NR] = $1; v[NR] = $2 }
        END {
            for (i = 1; i <= 3; i++) printf "%-16s %6.1f million instructions\n", n[i], v[i] / 1e6
            printf "ratio to the bare window:        %.2f   (instructions: a proxy; wall-time target 1.3)\n", v[3] / v[1]
            printf "ratio to the label and button:   %.2f   (instructions: a proxy; wall-time target 1.15)\n", v[3] / v[2]
        }'
    exit 0
fi

carico=$(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo 0)
processori=$(nproc)
echo "Measuring $giri runs of each (load average $carico on $processori processors) ..."
# shellcheck disable=SC2086 # the three paths have no spaces
"$cartella/tools/cronometro" "$giri" $programmi | awk -v carico="$carico" -v processori="$processori" -v giri="$giri" '
    { n[NR] = $1; p[NR] = $2; c[NR] = $3 }
    END {
        for (i = 1; i <= 3; i++)
            printf "%-16s %7.1f ms   (processor time %.1f ms)   median of %d runs\n", n[i], p[i], c[i], giri
        r1 = p[3] / p[1]; r2 = p[3] / p[2]
        printf "ratio to the bare window:        %.2f   (target at most 1.3)   %s\n", r1, r1 <= 1.3 ? "ok" : "OVER"
        printf "ratio to the label and button:   %.2f   (target at most 1.15)  %s\n", r2, r2 <= 1.15 ? "ok" : "OVER"
        if (carico > processori / 4)
            printf "The machine is busy (load average %s): these wall times are not the targets'"'"' conditions;\n" \
                   "measure again on an idle machine, or compare instructions with --istruzioni.\n", carico
    }'
