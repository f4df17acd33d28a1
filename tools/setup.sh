#!/bin/sh
# Installs what building, running and testing Sportello needs on Debian 12, and nothing when all is there.
#   tools/setup.sh            the build, the program and the test suite
#   tools/setup.sh --analisi  also clang with libFuzzer, clang-tidy and cppcheck (fuzzing, static analysis)
#   tools/setup.sh --pacchetto  also what builds the Debian source and binary packages (dpkg-buildpackage
#                               with debhelper; debian/rules needs no root, so no fakeroot) and checks them,
#                               their desktop entry and their AppStream data (tools/pacchetto.sh)
#   tools/setup.sh --immagini   also what renders the pictures and takes the screenshots (tools/gen_icons.py,
#                               tools/schermate.sh)
#   tools/setup.sh --windows    also what builds the Windows kit and tests it (tools/windows/sdk.sh,
#                               tools/windows.sh): MinGW-w64 with POSIX threads, the tools that fetch and
#                               unpack Debian's source packages, Wine under Xvfb, NSIS, zip, and ImageMagick
#                               for the screenshots under Wine
# The options add up.
set -eu

PACCHETTI="cmake ninja-build g++ pkg-config python3
qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
libgtest-dev libbenchmark-dev libcsv-dev time
libzip-dev libxml2-dev libxlsxwriter-dev
xvfb xauth
fonts-liberation2 fonts-dejavu-core"
for opzione in "$@"; do
    case "$opzione" in
    --analisi) PACCHETTI="$PACCHETTI clang-14 libclang-rt-14-dev clang-tidy-14 cppcheck" ;;
    --pacchetto)
        PACCHETTI="$PACCHETTI build-essential dpkg-dev debhelper git xz-utils file lintian desktop-file-utils
            appstream" ;;
    --immagini) PACCHETTI="$PACCHETTI librsvg2-bin tango-icon-theme imagemagick xdotool" ;;
    --windows)
        PACCHETTI="$PACCHETTI g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
            dpkg-dev xz-utils ccache wine wine64 nsis zip unzip imagemagick xdotool" ;;
    *) echo "tools/setup.sh: unknown option $opzione" >&2; exit 2 ;;
    esac
done

mancanti=""
for p in $PACCHETTI; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        mancanti="$mancanti $p"
    fi
done
[ -z "$mancanti" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$mancanti"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $mancanti
