#!/bin/sh
# Regenerates codes.dat, codes.cf and luoghi.dat from the reference tables into a temporary folder and fails when they
# differ from the committed data/ files. Exits 77 (a skipped test) when the tables are not on this machine.
#   tools/dati_aggiornati.sh [DATA_SOURCES]     default: ../shared/data-sources beside the repository root
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
sorgenti=${1:-$radice/../shared/data-sources}
if [ ! -f "$sorgenti/catasto.csv" ]; then
    echo "tools/dati_aggiornati.sh: no reference tables in $sorgenti, nothing compared" >&2
    exit 77
fi
cartella=$(mktemp -d)
trap 'rm -rf "$cartella"' EXIT
python3 "$radice/tools/gen_data.py" --output "$cartella" "$sorgenti" >/dev/null
esito=0
for file in codes.dat codes.cf luoghi.dat; do
    if ! cmp -s "$cartella/$file" "$radice/data/$file"; then
        echo "data/$file differs from what tools/gen_data.py writes: run it and commit the file" >&2
        esito=1
    fi
done
exit $esito
