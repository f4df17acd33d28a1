#!/bin/sh
# Builds the Debian source package and the binary packages as Debian builds its own (dpkg-buildpackage over
# debian/, in a copy of the tree in a scratch folder) and checks them:
#   - lintian --pedantic on the source and binary packages: no tag at all unless overridden in debian/;
#   - both programs hardened: PIE, BIND_NOW, the stack protector (readelf), every compilation fortified
#     (the build log);
#   - the debug symbols of both programs in the -dbgsym package;
#   - the desktop entry (desktop-file-validate) and the AppStream data (appstreamcli, offline);
#   - the programs start from the package unpacked into a scratch root, through the links of usr/bin, and
#     find their data files.
# The copy holds the files git knows or would add (changes not yet committed included), without the
# build folders. The results land in the repository root: sportello_<version>_<arch>.deb, its -dbgsym
# package, and the source package (.dsc, .orig.tar.xz, .debian.tar.xz) with the .changes and .buildinfo.
#   tools/pacchetto.sh                   build and check
#   tools/pacchetto.sh --riproducibile   then build again from another folder and compare the .debs byte
#                                        by byte (they must be identical)
# Install it with: sudo apt install ./sportello_*.deb
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
riproducibile=no
for opzione in "$@"; do
    case "$opzione" in
    --riproducibile) riproducibile=yes ;;
    *) echo "tools/pacchetto.sh: unknown option $opzione" >&2; exit 2 ;;
    esac
done

"$radice/tools/setup.sh" --pacchetto

versione=$(dpkg-parsechangelog -l "$radice/debian/changelog" -S Version)
a_monte=${versione%-*}
architettura=$(dpkg-architecture -qDEB_HOST_ARCH)
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$radice/debian/changelog" -S Timestamp)
export SOURCE_DATE_EPOCH

cartelle=""
trap 'rm -rf $cartelle' EXIT

# The tree as it is now, once, so that both builds of --riproducibile start from the same files.
istantanea=$(mktemp -d)
cartelle="$cartelle $istantanea"
istantanea=$istantanea/albero.tar
# shellcheck disable=SC2016 # the inner shell expands "$f"
git -C "$radice" ls-files -z --cached --others --exclude-standard |
    (cd "$radice" && xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh) |
    (cd "$radice" && tar --null -T - -cf -) >"$istantanea"

# Unpacks the tree into <folder>/sportello-<upstream version>, makes the upstream tarball beside it (without
# debian/, file times from the changelog) and builds there; the results land in <folder>.
costruisci() {
    lavoro=$1
    sorgente=$lavoro/sportello-$a_monte
    mkdir "$sorgente"
    tar -xf "$istantanea" -C "$sorgente"
    tar --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
        --exclude="sportello-$a_monte/debian" -C "$lavoro" -cf - "sportello-$a_monte" |
        xz -6 >"$lavoro/sportello_$a_monte.orig.tar.xz"
    (cd "$sorgente" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
        dpkg-buildpackage -us -uc >"$lavoro/costruzione.log" 2>&1) || {
        tail -60 "$lavoro/costruzione.log" >&2
        echo "tools/pacchetto.sh: dpkg-buildpackage failed (log above)" >&2
        exit 1
    }
}

inizio=$(date +%s)
prima=$(mktemp -d "${TMPDIR:-/tmp}/sportello-costruzione.XXXXXX")
cartelle="$cartelle $prima"
costruisci "$prima"
echo "== built in $(($(date +%s) - inizio)) s"
pacchetto=sportello_${versione}_$architettura.deb
simboli=sportello-dbgsym_${versione}_$architettura.deb
for file in "$pacchetto" "$simboli" "sportello_$versione.dsc"; do
    [ -f "$prima/$file" ] || { echo "tools/pacchetto.sh: dpkg-buildpackage made no $file" >&2; exit 1; }
done
rm -f "$radice"/sportello_*.deb "$radice"/sportello-dbgsym_*.deb "$radice"/sportello_*.dsc \
    "$radice"/sportello_*.tar.xz "$radice"/sportello_*.changes "$radice"/sportello_*.buildinfo
cp "$prima"/sportello_* "$prima"/sportello-dbgsym_* "$radice/"
cd "$radice"
echo "== $pacchetto"
dpkg-deb --field "$pacchetto"

echo "== lintian (source and binary packages)"
lintian --fail-on error,warning,info,pedantic --display-info --pedantic \
    "sportello_${versione}_$architettura.changes"

radice_prova=$(mktemp -d)
cartelle="$cartelle $radice_prova"
dpkg-deb -x "$pacchetto" "$radice_prova"
dpkg-deb -x "$simboli" "$radice_prova"

echo "== hardening and debug symbols"
for programma in sportello sportello-cli; do
    binario=$radice_prova/usr/lib/sportello/$programma
    manca() {
        echo "tools/pacchetto.sh: $programma has no $1" >&2
        exit 1
    }
    readelf -h "$binario" | grep -q 'Type:[[:space:]]*DYN' || manca "position-independent executable (PIE)"
    readelf -d "$binario" | grep -q 'BIND_NOW' || manca "BIND_NOW"
    readelf -lW "$binario" | grep -q 'GNU_RELRO' || manca "RELRO"
    readelf --dyn-syms -W "$binario" | grep -q ' __stack_chk_fail' || manca "stack protector"
    id=$(readelf -n "$binario" | sed -n 's/.*Build ID: *\([0-9a-f]*\).*/\1/p')
    debug=$radice_prova/usr/lib/debug/.build-id/$(echo "$id" | cut -c1-2)/$(echo "$id" | cut -c3-).debug
    if [ -z "$id" ] || [ ! -f "$debug" ]; then manca "debug symbols in $simboli"; fi
    echo "$programma: PIE, RELRO, BIND_NOW, stack protector; symbols in $simboli"
done
# The compiler fortifies a call only where it knows the buffer's size, and the programs may have none such
# (then readelf shows no __*_chk call): the check is that every compilation had the flag.
compilazioni=$(grep -cE ' -c [^ ]+\.(c|cc|cpp)$' "$prima/costruzione.log" || true)
senza=$(grep -E ' -c [^ ]+\.(c|cc|cpp)$' "$prima/costruzione.log" | grep -cvE -- '-D_FORTIFY_SOURCE=[23]' || true)
if [ "$compilazioni" -eq 0 ] || [ "$senza" -ne 0 ]; then
    echo "tools/pacchetto.sh: $senza of $compilazioni compilations without -D_FORTIFY_SOURCE" >&2
    exit 1
fi
echo "fortified calls: all $compilazioni compilations with -D_FORTIFY_SOURCE"

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
"$radice_prova/usr/bin/sportello-cli" comune ROMA | tee "$radice_prova/cli.txt"
grep -q 00100 "$radice_prova/cli.txt" || {
    echo "tools/pacchetto.sh: the installed sportello-cli did not find ROMA" >&2
    exit 1
}
echo "== $pacchetto: built and checked"

if [ $riproducibile = yes ]; then
    # Another folder, with a path of another length, for the second build.
    inizio=$(date +%s)
    seconda=$(mktemp -d "${TMPDIR:-/tmp}/sportello-seconda-costruzione-per-il-confronto.XXXXXX")
    cartelle="$cartelle $seconda"
    costruisci "$seconda"
    echo "== built again in $(($(date +%s) - inizio)) s"
    diversi=""
    for file in "$pacchetto" "$simboli"; do
        cmp -s "$prima/$file" "$seconda/$file" || diversi="$diversi $file"
    done
    if [ -n "$diversi" ]; then
        echo "tools/pacchetto.sh: two builds differ:$diversi" >&2
        if command -v diffoscope >/dev/null 2>&1; then
            for file in $diversi; do diffoscope "$prima/$file" "$seconda/$file" | head -80 >&2 || true; done
        fi
        exit 1
    fi
    echo "== reproducible: two builds from two folders gave byte-identical $pacchetto and $simboli"
fi
