#!/bin/sh
# Measures the sheet reader on a generated .xlsx of people (cognome, nome, sesso, data di nascita as date
# cells, comune, provincia, a number), pinned to one core: rows per second and peak memory of writing the
# file (libxlsxwriter, constant memory), of reading it to ;-separated text through our reader, of both
# together (read, every cell to text, each row written to an .xlsx with two text cells more, as
# `sportello-cli calcola` does), and of LibreOffice converting the same file to CSV headless; then the
# ratio of the two readings. Rows per second are given over wall-clock time and over CPU time (user and
# system), which is what counts on a busy machine.
#   tools/misura_fogli.sh [BUILD_DIR] [RIGHE]      default build/ and 1,000,000 rows
# With --cli first, the whole command instead: `sportello-cli calcola --csv persone.xlsx --output out.xlsx`
# on a sheet of generated people (tools/cli/generapersone.*: cognome, nome, sesso, data di nascita as date
# cells, comune, provincia, and a number, matricola), pinned to one core and then on two (the sheet is read
# in a thread of its own), beside LibreOffice converting the same file to CSV on two cores; then the ratios
# two cores / one core and LibreOffice / two cores (targets at least 1.4 and 1.5 on an idle machine).
#   tools/misura_fogli.sh --cli [BUILD_DIR] [RIGHE]
#   1,000,000 rows, the machine idle (2 cores): sportello-cli on one core 17.75 s, on two 13.30 s, 21.2 MiB
#   peak, ratio 1.33; soffice to CSV on two cores 14.43 s, 328 MiB, ratio 1.08.
#   Instructions (callgrind, 100,000 rows, 126,000 a row in all): the reading thread 46,000 a row; the main
#   thread 41,600 a row while the rows come (libxlsxwriter's XML 33,000 of them) and 38,500 a row after the
#   last, when libxlsxwriter zips the sheet (deflate at level 6, which its interface does not set): on two
#   idle cores a run takes about (46,000 + 38,500) / 126,000 of one core's, at best 1.5 times faster.
# Needs GNU time (/usr/bin/time) and taskset; soffice is installed here on demand, not in CI.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
cli=no
if [ "${1:-}" = "--cli" ]; then
    cli=yes
    shift
fi
build=${1:-$radice/build}
righe=${2:-1000000}
aiuto=$build/tests/misura_fogli
if [ "$cli" = yes ]; then
    if [ ! -x "$build/bin/sportello-cli" ] || [ ! -x "$build/tools/genera_persone" ]; then
        cmake -S "$radice" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build "$build" --target sportello-cli genera_persone
    fi
elif [ ! -x "$aiuto" ]; then
    cmake -S "$radice" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" --target misura_fogli
fi
if ! command -v soffice >/dev/null 2>&1; then
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends libreoffice-calc-nogui
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
uno="taskset -c 0"

# misura NOME COMANDO...: the wall-clock seconds, CPU seconds and peak KiB of one run, printed and left in
# $reale and $picco.
misura() {
    nome=$1
    shift
    # shellcheck disable=SC2086 # $uno is the pinning command with its arguments, split on purpose
    /usr/bin/time -f "%e %U %S %M" -o "$tmp/tempo" $uno "$@" >"$tmp/uscita" 2>"$tmp/errori" || {
        echo "$nome: fallito" >&2
        cat "$tmp/errori" >&2
        exit 1
    }
    read -r reale utente sistema picco <<FINE
$(tail -n 1 "$tmp/tempo")
FINE
    awk -v nome="$nome" -v n="$righe" -v reale="$reale" -v u="$utente" -v s="$sistema" -v kb="$picco" 'BEGIN {
        cpu = u + s; if (reale <= 0) reale = 0.01; if (cpu <= 0) cpu = 0.01
        printf "%-34s %9.0f righe/s   (CPU: %9.0f righe/s, %6.2f s)   %7.2f s   picco %7.1f MiB\n",
            nome, n / reale, n / cpu, cpu, reale, kb / 1024 }'
}

if [ "$cli" = yes ]; then
    misura "genera_persone --xlsx" "$build/tools/genera_persone" --righe "$righe" --xlsx "$tmp/persone.xlsx" \
        "$radice/data/codes.dat"
    echo "File: $(du -k "$tmp/persone.xlsx" | cut -f1) KiB"
    # Exit status 1 (some rows with an esito) is a finished run.
    misura "sportello-cli calcola, un core" sh -c '"$@"; [ $? -le 1 ]' sh "$build/bin/sportello-cli" \
        calcola --csv "$tmp/persone.xlsx" --output "$tmp/out.xlsx"
    unCore=$reale
    uno="taskset -c 0,1"
    misura "sportello-cli calcola, due core" sh -c '"$@"; [ $? -le 1 ]' sh "$build/bin/sportello-cli" \
        calcola --csv "$tmp/persone.xlsx" --output "$tmp/out.xlsx"
    nostro=$reale
    misura "soffice --convert-to csv, due core" soffice -env:UserInstallation="file://$tmp/profilo" --headless \
        --convert-to csv --outdir "$tmp" "$tmp/persone.xlsx"
    loro=$reale
    awk -v a="$unCore" -v b="$nostro" 'BEGIN { if (b <= 0) b = 0.01; printf "Rapporto un core / due core: %.2f\n", a / b }'
    awk -v a="$loro" -v b="$nostro" 'BEGIN { if (b <= 0) b = 0.01; printf "Rapporto soffice / sportello-cli: %.2f\n", a / b }'
    exit 0
fi
misura "scrittura .xlsx (libxlsxwriter)" "$aiuto" genera "$tmp/persone.xlsx" "$righe"
echo "File: $(du -k "$tmp/persone.xlsx" | cut -f1) KiB"
misura "lettura .xlsx in testo (tabelle)" "$aiuto" leggi "$tmp/persone.xlsx"
nostro=$reale
misura "lettura, testo e scrittura .xlsx" "$aiuto" copia "$tmp/persone.xlsx" "$tmp/risultato.xlsx"
misura "soffice --convert-to csv" soffice -env:UserInstallation="file://$tmp/profilo" --headless \
    --convert-to csv --outdir "$tmp" "$tmp/persone.xlsx"
loro=$reale
awk -v a="$loro" -v b="$nostro" 'BEGIN { if (b <= 0) b = 0.01; printf "Rapporto soffice / tabelle: %.1f\n", a / b }'
