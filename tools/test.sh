#!/bin/sh
# Sets up the machine if needed, builds Sportello with its tests and runs the whole suite headless.
#   tools/test.sh             the suite in the normal build (build/)
#   tools/test.sh --asan      then the suite again under AddressSanitizer + UBSan (build-asan/)
#   tools/test.sh --fuzz      then every fuzz target for its fixed number of runs (tools/fuzz.sh)
#   tools/test.sh --analisi   then clang-tidy and cppcheck over the tree (tools/analisi.sh)
#   tools/test.sh --pacchetto then the Debian package, built twice from two folders by dpkg-buildpackage,
#                             checked and compared byte by byte (tools/pacchetto.sh --riproducibile)
#   tools/test.sh --windows   then the Windows build, its installer and zip, and its tests under Wine
#                             (tools/windows.sh --prove), with the Qt for Windows of ../shared/windows-qt/ or
#                             of the SDK's cache, never built here: without either, one line says it skipped
# The options add up; CI passes all five.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)

asan=no
fuzz=no
analisi=no
pacchetto=no
windows=no
for opzione in "$@"; do
    case "$opzione" in
    --asan) asan=yes ;;
    --fuzz) fuzz=yes ;;
    --analisi) analisi=yes ;;
    --pacchetto) pacchetto=yes ;;
    --windows) windows=yes ;;
    *) echo "tools/test.sh: unknown option $opzione" >&2; exit 2 ;;
    esac
done

"$radice/tools/setup.sh"

export QT_QPA_PLATFORM=offscreen
lavori=$(nproc)

suite() {
    cartella=$1
    shift
    cmake -S "$radice" -B "$cartella" -G Ninja "$@" >/dev/null
    cmake --build "$cartella" -j"$lavori"
    (cd "$cartella" && ctest --output-on-failure -j"$lavori" --timeout 300)
}

suite "$radice/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The package compiles the programs again, from a copy of the tree, with the package's flags; twice.
[ $pacchetto = no ] || "$radice/tools/pacchetto.sh" --riproducibile
if [ $asan = yes ]; then
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        suite "$radice/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSPORTELLO_SANITIZE=ON -DSPORTELLO_BENCHMARKS=OFF
fi
[ $fuzz = no ] || "$radice/tools/fuzz.sh"
[ $analisi = no ] || "$radice/tools/analisi.sh"
[ $windows = no ] || "$radice/tools/windows.sh" --prove --senza-compilare-qt
