#!/bin/sh
# Takes the screenshots of docs/schermate/: starts the program under Xvfb once for each line of
# docs/schermate/finestre.txt, runs that line's xdotool commands on the main menu (open a window, type
# into it; "$tabella" is the path of a copy of a table to work on), then saves the window that has the
# focus as docs/schermate/<file name>.png.
#   tools/schermate.sh          all the lines of the table
#   tools/schermate.sh comuni   only the named ones
# Needs Xvfb, xdotool and ImageMagick (tools/setup.sh --immagini). A new window is one line of the table.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
cartella="$radice/docs/schermate"
programma="$radice/build/bin/sportello"

if [ -z "${SCHERMATE_IN_XVFB:-}" ]; then
    "$radice/tools/setup.sh" --immagini
    cmake -S "$radice" -B "$radice/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$radice/build" --target sportello
    # A fixed screen and locale, so that a refresh changes only what the program changed.
    SCHERMATE_IN_XVFB=1 LC_ALL=C.UTF-8 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

# A table to work on, at a fixed path (it shows in the window) and away from the repository, since the
# window writes its result beside it.
tabella=/tmp/sportello-schermate/dipendenti.csv
mkdir -p "$(dirname "$tabella")"
cp "$radice/tests/tabelle/esportazioni/dipendenti-utf8.csv" "$tabella"
trap 'rm -rf "$(dirname "$tabella")"' EXIT

fatte=0
while IFS='|' read -r nome comandi caption didascalia; do
    nome=$(echo "$nome" | tr -d ' ')
    case "$nome" in '' | '#'*) continue ;; esac
    if [ $# -gt 0 ] && ! echo " $* " | grep -q " $nome "; then
        continue
    fi
    "$programma" 2>/dev/null &
    pid=$!
    menu=$(timeout 20 xdotool search --sync --onlyvisible --classname sportello | head -n 1)
    xdotool windowfocus --sync "$menu"
    sleep 0.5
    # One xdotool run for each command of the table, its quotes as written.
    echo "$comandi" | tr ';' '\n' | while read -r comando; do
        [ -z "$comando" ] || eval "xdotool $comando"
    done
    sleep 1
    import -window "$(xdotool getwindowfocus)" -strip -define png:exclude-chunks=date,time "$cartella/$nome.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    echo "docs/schermate/$nome.png: $(identify -format '%wx%h' "$cartella/$nome.png")"
    fatte=$((fatte + 1))
done <"$cartella/finestre.txt"

[ "$fatte" -gt 0 ] || { echo "tools/schermate.sh: no line of finestre.txt matches: $*" >&2; exit 2; }
