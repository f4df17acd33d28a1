#!/bin/sh
# Measures sportello-cli on generated tables, file in and file out, pinned to one core: rows per second
# (wall clock and CPU time) and peak memory of each command, the best of three runs; also calcola and
# verifica without the first pass that decides encoding and order of dates, and the memory on a line of
# 200 MiB without a line end.
#   tools/misura_cli.sh [BUILD_DIR] [RIGHE]      default build/ and 1,000,000 rows
#   MISURA_GRANDE=1 tools/misura_cli.sh          also calcola on a table of about 1 GB (memory stays flat)
# Needs GNU time (/usr/bin/time, installed by tools/setup.sh), awk and taskset.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$radice/build}
righe=${2:-1000000}
cli=$build/bin/sportello-cli
gen=$build/tools/genera_persone
if [ ! -x "$cli" ] || [ ! -x "$gen" ]; then
    cmake -S "$radice" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target sportello-cli genera_persone
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
uno="taskset -c 0"

echo "Tabelle di $righe righe in $tmp ..."
"$gen" --righe "$righe" "$build/bin/codes.dat" >"$tmp/persone.csv"
"$gen" --righe "$righe" --windows-1252 "$build/bin/codes.dat" >"$tmp/persone-1252.csv"
"$gen" --righe "$righe" --partite-iva >"$tmp/partite.csv"
"$cli" calcola --csv "$tmp/persone.csv" -o "$tmp/calcolati.csv" || true
cut -d';' -f7 "$tmp/calcolati.csv" >"$tmp/codici.csv"
# The same codes in omocodic form: positions 14 and 15 as letters, check character recomputed.
awk 'BEGIN { split("1 0 5 7 9 13 15 17 19 21 2 4 18 20 11 3 6 8 12 14 16 10 22 25 24 23", d, " ")
             L = "LMNPQRSTUV"; A = "ABCDEFGHIJKLMNOPQRSTUVWXYZ" }
     NR > 1 && length($0) == 16 {
         c = substr($0, 1, 13) substr(L, substr($0, 14, 1) + 1, 1) substr(L, substr($0, 15, 1) + 1, 1); s = 0
         for (i = 1; i <= 15; i++) { x = substr(c, i, 1); p = index(A, x); if (p == 0) p = x + 1
                                     s += i % 2 ? d[p] : p - 1 }
         print c substr(A, s % 26 + 1, 1); next }
     { print }' "$tmp/codici.csv" >"$tmp/omocodici.csv"

misura() {
    nome=$1
    n=$2
    shift 2
    migliore=""
    for prova in 1 2 3; do
        stato=0
        /usr/bin/time -f "%e %U %S %M" -o "$tmp/tempo" $uno "$cli" "$@" <"${ingresso:-/dev/null}" \
            >/dev/null 2>&1 || stato=$?
        if [ "$stato" -gt 1 ]; then
            echo "$nome: sportello-cli è uscito con $stato" >&2
            exit 1
        fi
        # GNU time puts "Command exited with non-zero status 1" first when rows had an esito.
        read -r reale utente sistema kb <<FINE
$(tail -n 1 "$tmp/tempo")
FINE
        if [ -z "$migliore" ] || awk -v a="$reale" -v b="$migliore" 'BEGIN { exit !(a < b) }'; then
            migliore=$reale
            cpu=$(awk -v a="$utente" -v b="$sistema" 'BEGIN { print a + b }')
            picco=$kb
        fi
    done
    awk -v nome="$nome" -v n="$n" -v reale="$migliore" -v cpu="$cpu" -v kb="$picco" 'BEGIN {
        if (reale <= 0) reale = 0.01; if (cpu <= 0) cpu = 0.01
        printf "%-26s %11.0f righe/s   (CPU: %11.0f righe/s)   picco %6.1f MiB\n", nome, n / reale, n / cpu, kb / 1024 }'
}

misura "calcola (UTF-8)" "$righe" calcola --csv "$tmp/persone.csv" -o "$tmp/out.csv"
# Without the first pass over the file (encoding and order of dates given): what deciding them costs.
misura "calcola, date con ordine dato" "$righe" calcola --csv "$tmp/persone.csv" -o "$tmp/out.csv" --data gg/mm
misura "calcola, senza prima lettura" "$righe" calcola --csv "$tmp/persone.csv" -o "$tmp/out.csv" \
    --codifica utf-8 --data gg/mm
misura "calcola (Windows-1252)" "$righe" calcola --csv "$tmp/persone-1252.csv" -o "$tmp/out.csv"
misura "verifica" "$righe" verifica --csv "$tmp/codici.csv" -o "$tmp/out.csv"
misura "verifica (omocodici)" "$righe" verifica --csv "$tmp/omocodici.csv" -o "$tmp/out.csv"
misura "verifica (cognome e nome)" "$righe" verifica --csv "$tmp/calcolati.csv" -o "$tmp/out.csv"
misura "verifica, codifica data" "$righe" verifica --csv "$tmp/codici.csv" -o "$tmp/out.csv" --codifica utf-8
misura "partita-iva" "$righe" partita-iva --csv "$tmp/partite.csv" -o "$tmp/out.csv"
ingresso="$tmp/persone.csv"
misura "calcola, stdin e stdout" "$righe" calcola --csv -
ingresso=""

# Memory stays bounded on a line without a line end: 200 MiB of one record, the header before it.
{
    echo "partita_iva;nota"
    head -c 209715200 /dev/zero | tr '\0' x
} >"$tmp/riga-lunga.csv"
misura "riga di 200 MiB senza a capo" 1 partita-iva --csv "$tmp/riga-lunga.csv" -o "$tmp/out.csv"
rm -f "$tmp/riga-lunga.csv"

if [ "${MISURA_GRANDE:-0}" = 1 ]; then
    grande=$((righe * 25))
    "$gen" --righe "$grande" "$build/bin/codes.dat" >"$tmp/grande.csv"
    echo "Tabella grande: $(du -m "$tmp/grande.csv" | cut -f1) MiB"
    misura "calcola (tabella grande)" "$grande" calcola --csv "$tmp/grande.csv" -o "$tmp/out.csv"
fi
