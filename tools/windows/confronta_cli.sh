#!/bin/sh
# Runs every case of tools/windows/casi_cli.txt with the Linux sportello-cli and with the Windows one under
# Wine, from the repository root, and fails unless standard output, standard error and exit status are the
# same byte for byte. An .xlsx written by each is compared by its cells, read back by the Linux program
# (the file itself carries the time it was written).
#   tools/windows/confronta_cli.sh LINUX_BIN WINDOWS_BIN SDK   the two bin/ folders and the Windows SDK
set -eu
radice=$(cd "$(dirname "$0")/../.." && pwd)
linux=$1/sportello-cli
windows="$radice/tools/windows/wine.sh --sdk $3 $2/sportello-cli.exe"
cd "$radice"
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT

esegui() { # programma, caso, prefisso dei file
    set +e
    sh -c "$1 $2" >"$3.out" 2>"$3.err"
    echo $? >"$3.stato"
    set -e
}

casi=0
diversi=0
while IFS= read -r caso; do
    case "$caso" in '' | '#'*) continue ;; esac
    casi=$((casi + 1))
    esegui "$linux" "$caso" "$lavoro/l"
    esegui "$windows" "$caso" "$lavoro/w"
    for parte in out err stato; do
        if ! cmp -s "$lavoro/l.$parte" "$lavoro/w.$parte"; then
            diversi=$((diversi + 1))
            echo "DIFFERENT ($parte): sportello-cli $caso"
            diff "$lavoro/l.$parte" "$lavoro/w.$parte" | head -n 10 || true
            break
        fi
    done
done <"$radice/tools/windows/casi_cli.txt"

# An .xlsx written by each, over the same table, read back by the Linux program from its own folder.
for quale in l w; do
    if [ $quale = l ]; then programma=$linux; else programma=$windows; fi
    mkdir "$lavoro/$quale.d"
    sh -c "$programma calcola -f tests/tabelle/esportazioni/dipendenti.xlsx -o $lavoro/$quale.d/risultato.xlsx" \
        >/dev/null 2>&1 || true
    (
        cd "$lavoro/$quale.d"
        "$linux" verifica -f risultato.xlsx --colonna codicefiscale=codice_fiscale 2>&1 || true
        "$linux" comune -f risultato.xlsx --foglio Riepilogo --colonna comune=Righe 2>&1 || true
    ) >"$lavoro/$quale.xlsx.csv"
done
casi=$((casi + 1))
if ! cmp -s "$lavoro/l.xlsx.csv" "$lavoro/w.xlsx.csv"; then
    diversi=$((diversi + 1))
    echo "DIFFERENT: the cells of the .xlsx written by calcola"
    diff "$lavoro/l.xlsx.csv" "$lavoro/w.xlsx.csv" | head -n 10 || true
fi
echo "sportello-cli.exe: $((casi - diversi)) passed, $diversi failed"
[ $diversi -eq 0 ]
