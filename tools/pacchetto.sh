#!/bin/sh
# Builds the Debian package sportello_<version>_<architecture>.deb in the repository root and checks it:
# lintian (no errors), the desktop entry (desktop-file-validate), the AppStream data (appstreamcli,
# offline), then unpacks it into a scratch root and starts the programs from there headless: they must run
# and find their data files beside them, through the links of usr/bin. The scratch root is removed.
#   tools/pacchetto.sh    uses the normal build folder (build/), building only what the package holds
# Install it with: sudo apt install ./sportello_*.deb
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
build="$radice/build"

"$radice/tools/setup.sh" --pacchetto
cmake -S "$radice" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target sportello_pacchetto -j"$(nproc)"

rm -rf "$build/pacchetto"
(cd "$build" && cpack -G DEB >/dev/null)
set -- "$build"/pacchetto/sportello_*.deb
[ -f "$1" ] || { echo "tools/pacchetto.sh: cpack made no package" >&2; exit 1; }
rm -f "$radice"/sportello_*.deb
mv "$1" "$radice/"
pacchetto="$radice/$(basename "$1")"
echo "== $(basename "$pacchetto")"
dpkg-deb --field "$pacchetto"

echo "== lintian"
lintian --fail-on error --display-info --pedantic "$pacchetto"

radice_prova=$(mktemp -d)
trap 'rm -rf "$radice_prova"' EXIT
dpkg-deb -x "$pacchetto" "$radice_prova"

echo "== desktop-file-validate, appstreamcli"
desktop-file-validate "$radice_prova"/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$radice_prova"/usr/share/metainfo/*.metainfo.xml

echo "== the installed programs"
export QT_QPA_PLATFORM=offscreen
SPORTELLO_AUTOVERIFICA=1 "$radice_prova/usr/bin/sportello" 2>&1 | tee "$radice_prova/autoverifica.txt"
grep -qx "Cartella del programma: $radice_prova/usr/lib/sportello" "$radice_prova/autoverifica.txt" || {
    echo "tools/pacchetto.sh: the installed sportello did not run from $radice_prova/usr/lib/sportello" >&2
    exit 1
}
if [ -e "$radice_prova/usr/bin/sportello-cli" ]; then
    "$radice_prova/usr/bin/sportello-cli" comune ROMA | tee "$radice_prova/cli.txt"
    grep -q 00100 "$radice_prova/cli.txt" || {
        echo "tools/pacchetto.sh: the installed sportello-cli did not find ROMA" >&2
        exit 1
    }
fi
echo "== $(basename "$pacchetto"): built and checked"
