#!/bin/sh
# Sets up the machine if needed, builds Sportello with its tests and runs the whole suite headless.
#   tools/test.sh            the suite in the normal build (build/)
#   tools/test.sh --asan     then the suite again under AddressSanitizer + UBSan (build-asan/)
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
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
if [ "${1:-}" = "--asan" ]; then
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        suite "$radice/build-asan" -DCMAKE_BUILD_TYPE=Debug -DSPORTELLO_SANITIZE=ON -DSPORTELLO_BENCHMARKS=OFF
fi
