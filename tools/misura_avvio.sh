#!/bin/sh
# Measures start-up: from process start to the main window painted, for Sportello and for a bare Qt
# window, both offscreen, alternating in the same run. Prints the medians in milliseconds and their ratio
# (target: at most 1.3).
#   tools/misura_avvio.sh [runs]     (default 30)
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
giri=${1:-30}
cmake -S "$radice" -B "$radice/build" -G Ninja >/dev/null
cmake --build "$radice/build" --target avvio_sportello avvio_vuoto -j"$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen

ms() { # runs a program once, prints its wall time in microseconds
    inizio=$(date +%s%N)
    "$1" >/dev/null 2>&1
    fine=$(date +%s%N)
    echo $(((fine - inizio) / 1000))
}

mediana() { sort -n | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else print int((v[NR/2]+v[NR/2+1])/2)}'; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
# One warm-up run each, so that both start with the libraries in the page cache.
ms "$radice/build/tools/avvio_vuoto" >/dev/null
ms "$radice/build/tools/avvio_sportello" >/dev/null
i=0
while [ "$i" -lt "$giri" ]; do
    ms "$radice/build/tools/avvio_vuoto" >>"$tmp/vuoto"
    ms "$radice/build/tools/avvio_sportello" >>"$tmp/sportello"
    i=$((i + 1))
done
v=$(mediana <"$tmp/vuoto")
s=$(mediana <"$tmp/sportello")
awk -v v="$v" -v s="$s" -v n="$giri" 'BEGIN {
    printf "bare Qt window: %.1f ms   Sportello: %.1f ms   ratio %.2f   (median of %d runs)\n", v/1000, s/1000, s/v, n }'
