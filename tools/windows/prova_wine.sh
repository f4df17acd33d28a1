#!/bin/sh
# Checks the Windows kit of a build folder under Wine, as a user gets it: the installer installs silently,
# the installed sportello.exe starts, finds its data and its sheet module, shows the menu and opens every
# window of docs/schermate/finestre.txt (a screenshot of each), an .xlsx goes through the table window,
# the installed sportello-cli.exe computes a fiscal code; the silent uninstall leaves nothing behind; the
# portable zip runs from a folder of its own and writes nothing outside it.
#   tools/windows/prova_wine.sh BUILD [SCREENSHOTS]   BUILD: build-windows/; the screenshots go into
#                                                      SCREENSHOTS (default BUILD/schermate)
# Runs under an X display (tools/windows.sh runs it in Xvfb), with $WINEPREFIX set; needs xdotool and
# ImageMagick (tools/setup.sh --windows).
set -eu
radice=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
schermate=${2:-$build/schermate}
mkdir -p "$schermate"
# Each program gets two minutes: one that hangs fails its check instead of the run.
wine="$radice/tools/windows/wine.sh"
vino() { timeout 120 "$wine" "$@"; }
linux_cli=$radice/build/bin/sportello-cli
falliti=0
riusciti=0
esito() { # 0/1, what
    if [ "$1" -eq 0 ]; then riusciti=$((riusciti + 1)); else falliti=$((falliti + 1)); echo "FAILED: $2"; fi
}
unix() { winepath -u "$1" 2>/dev/null; }
chiave='Software\Microsoft\Windows\CurrentVersion\Uninstall\Sportello'
posto() { # the install folder from the uninstall entry, HKLM or HKCU
    for radice_reg in HKLM HKCU; do
        vino reg query "$radice_reg\\$chiave" /v InstallLocation 2>/dev/null |
            sed -n 's/.*InstallLocation *REG_SZ *//p' | tr -d '\r' | grep . && return 0
    done
    return 1
}

# The installer, silently.
setup=$(ls "$build"/sportello-*-setup.exe)
vino "$setup" /S
cartella_win=$(posto || true)
[ -n "$cartella_win" ] && cartella=$(unix "$cartella_win") && [ -x "$cartella/sportello.exe" ]
esito $? "the silent install puts sportello.exe in place (${cartella_win:-no uninstall entry})"
if [ -z "${cartella:-}" ] || [ ! -x "$cartella/sportello.exe" ]; then
    echo "Wine: $riusciti passed, $falliti failed (nothing installed: the rest cannot be checked)"
    exit 1
fi
printf "Installed into %s\n" "$cartella_win"
menu_start=$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Sportello.lnk' | head -n 1)
[ -n "$menu_start" ]
esito $? "the Start menu entry Sportello"

# The installed programs: the self-check, the command line.
uscita=$(SPORTELLO_AUTOVERIFICA=1 timeout 120 "$wine" "$cartella/sportello.exe" 2>&1 || true)
echo "$uscita" | grep -q "ROMA CAP 00100, RM, LAZIO"
esito $? "the installed sportello.exe reads its data files: $uscita"
codice=$(vino "$cartella/sportello-cli.exe" calcola Rossi Mario M 01/01/1980 Roma RM | tr -d '\r')
[ "$codice" = RSSMRA80A01H501U ]
esito $? "sportello-cli.exe calcola Rossi Mario M 01/01/1980 Roma RM gives RSSMRA80A01H501U, not $codice"

# Every window, from the menu, by the keys of the screenshot table; the table window over an .xlsx.
lavoro=$(mktemp -d)
cp "$radice/tests/tabelle/esportazioni/dipendenti.xlsx" "$lavoro/dipendenti.xlsx"
tabella=$(winepath -w "$lavoro/dipendenti.xlsx" 2>/dev/null)
export tabella
while IFS="|" read -r nome comandi _; do
    nome=$(echo "$nome" | tr -d ' ')
    case "$nome" in '' | '#'*) continue ;; esac
    "$wine" "$cartella/sportello.exe" >/dev/null 2>&1 &
    pid=$!
    # The menu, once Wine's passing windows of the start are gone; no window manager: the focus by hand.
    timeout 60 xdotool search --sync --onlyvisible --classname '^sportello' >/dev/null || true
    sleep 3
    menu=$(xdotool search --onlyvisible --classname '^sportello' | tail -n 1)
    xdotool windowfocus --sync "$menu" 2>/dev/null || true
    sleep 1
    echo "$comandi" | tr ';' '\n' | while read -r comando; do
        [ -z "$comando" ] || eval "xdotool $comando"
    done
    sleep 2
    finestre=$(xdotool search --onlyvisible --classname '^sportello' 2>/dev/null | wc -l)
    timeout 30 import -window root -strip -define png:exclude-chunks=date,time "$schermate/$nome.png"
    # The menu alone, or the menu and the window its keys opened.
    if [ "$nome" = menu ]; then [ "$finestre" -ge 1 ]; else [ "$finestre" -ge 2 ]; fi
    esito $? "the window $nome opens ($finestre windows of sportello.exe on the screen)"
    pkill -f "$cartella/sportello.exe" || true
    wait "$pid" 2>/dev/null || true
done <"$radice/docs/schermate/finestre.txt"
risultato="$lavoro/dipendenti - risultati.xlsx"
[ -f "$risultato" ] && "$linux_cli" calcola -f "$risultato" 2>/dev/null | grep -q RSSMRA80A01H501U
esito $? "the table window writes dipendenti - risultati.xlsx with the fiscal codes"
rm -rf "$lavoro"

# The uninstaller, silently, once no program of the folder runs (Windows removes no DLL in use; the programs
# stopped above may still be held by Wine's services, so they end too): it goes on from a copy of its own,
# so wait for the folder to go.
wineserver -k 2>/dev/null || true
sleep 2
vino "$cartella/uninstall.exe" /S
for _ in $(seq 60); do [ -e "$cartella" ] || break; sleep 1; done
[ ! -e "$cartella" ] && [ ! -e "$menu_start" ] && ! posto >/dev/null
esito $? "the silent uninstall leaves no folder, Start menu entry or uninstall entry"

# The portable zip, from a folder of its own: nothing written outside it (the user's folders of the prefix).
zip=$(ls "$build"/sportello-*-win64.zip)
portatile=$(mktemp -d)
utente="$WINEPREFIX/drive_c/users"

touch "$portatile/.inizio"
unzip -q "$zip" -d "$portatile"
cli=$(ls "$portatile"/*/sportello-cli.exe)
codice=$(vino "$cli" calcola Rossi Mario M 01/01/1980 Roma RM | tr -d '\r')
uscita=$(SPORTELLO_AUTOVERIFICA=1 timeout 120 "$wine" "$(dirname "$cli")/sportello.exe" 2>&1 || true)
[ "$codice" = RSSMRA80A01H501U ] && echo "$uscita" | grep -q "ROMA CAP 00100, RM, LAZIO"
esito $? "the portable copy runs from its folder"
nuovi=$(find "$utente" -newer "$portatile/.inizio" -type f ! -name '*.reg' 2>/dev/null | sort)
[ -z "$nuovi" ]
esito $? "the portable copy writes nothing outside its folder: $nuovi"
rm -rf "$portatile"

echo "Wine: $riusciti passed, $falliti failed"
[ $falliti -eq 0 ]
