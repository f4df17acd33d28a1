#!/bin/sh
# Test of the choices of tools/windows/sdk.sh, without building anything: what --piano says for a cache that
# is empty, partly filled or whole, with and without the packed Qt, and the one line and status 3 of
# --senza-compilare-qt when there is no Qt to be had. Run by ctest in the Linux build.
set -eu
sdk="$(cd "$(dirname "$0")" && pwd)/sdk.sh"
lavoro=$(mktemp -d)
trap 'rm -rf "$lavoro"' EXIT
: >"$lavoro/qt.tar.xz"
falliti=0
riusciti=0
prova() { # what, expected lines (grep -x each), command...
    cosa=$1 attese=$2
    shift 2
    uscita=$("$@" 2>&1) && stato=0 || stato=$?
    for riga in $attese; do
        riga=$(echo "$riga" | tr '_' ' ')
        if ! echo "$uscita" | grep -qx "$riga"; then
            falliti=$((falliti + 1))
            echo "FAILED: $cosa: no line \"$riga\" in:"
            echo "$uscita"
            return
        fi
    done
    riusciti=$((riusciti + 1))
    [ "$cosa" != "no Qt, never built" ] || [ "$stato" -eq 3 ] || { falliti=$((falliti + 1)); echo "FAILED: status $stato, not 3"; }
}
vuota=$lavoro/vuota
prova "empty cache, packed Qt" "qt:_unpack_$lavoro/qt.tar.xz zlib:_build_from_Debian's_source googletest:_build_from_Debian's_source $vuota" \
    "$sdk" --cartella "$vuota" --qt "$lavoro/qt.tar.xz" --piano
prova "empty cache, no packed Qt" "qt:_build_from_Debian's_source_(tools/windows/qt.sh)" \
    "$sdk" --cartella "$vuota" --qt "$lavoro/manca.tar.xz" --piano
prova "empty cache, no packed Qt, never built" "qt:_none_(not_built_here)" \
    "$sdk" --cartella "$vuota" --qt "$lavoro/manca.tar.xz" --senza-compilare-qt --piano
prova "no Qt, never built" "No_Qt_for_Windows:_neither_$lavoro/manca.tar.xz_nor_an_SDK_in_$vuota." \
    "$sdk" --cartella "$vuota" --qt "$lavoro/manca.tar.xz" --senza-compilare-qt
parte=$lavoro/parte
mkdir -p "$parte/.pronto"
for p in qt traduzioni zlib libzip; do echo x >"$parte/.pronto/$p"; done
prova "partly built cache" "qt:_in_the_cache libzip:_in_the_cache libxml2:_build_from_Debian's_source" \
    "$sdk" --cartella "$parte" --qt "$lavoro/manca.tar.xz" --senza-compilare-qt --piano
for p in libxml2 libxlsxwriter libcsv googletest; do echo x >"$parte/.pronto/$p"; done
prova "whole cache: nothing to do" "The_Windows_SDK_is_already_built. $parte" \
    "$sdk" --cartella "$parte" --qt "$lavoro/manca.tar.xz" --senza-compilare-qt
echo "sdk.sh: $riusciti passed, $falliti failed"
[ $falliti -eq 0 ]
