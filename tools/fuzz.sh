#!/bin/sh
# Builds the fuzz targets (build-fuzz/, clang with libFuzzer, AddressSanitizer and UBSan) and runs each for
# a fixed number of runs over its seed corpus in fuzz/corpus/<target>.
#   tools/fuzz.sh                       every target for its own number of runs (below), seed 1: what CI runs
#   tools/fuzz.sh --runs 5000000 --seed 0 fuzz_numeri    a longer campaign of one target, random seed
# New inputs go to build-fuzz/corpus/<target> (kept between runs, not committed); a crash leaves its
# input in build-fuzz/artefatti/ and the script fails. Turn such an input into a test of the suite.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
"$radice/tools/setup.sh" --analisi

# Runs per target for about half a minute each on one core; the two file readers also read and check whole
# files of 20001 (codes.cf) and 9001 (codes.dat) entries and are the slow ones.
corse_di() {
    case "$1" in
    fuzz_codes_cf) echo 6000 ;;
    fuzz_codes_dat) echo 8000 ;;
    fuzz_numeri) echo 250000 ;;
    fuzz_partitaiva) echo 1000000 ;;
    fuzz_verificacf) echo 60000 ;; # a few seconds: the valid codes found check their 127 forms
    fuzz_csv) echo 5000 ;; # each input is read twice through buffers of a few MiB
    fuzz_foglio) echo 4000 ;; # each input is packed into a zip and read through libzip and two XML parsers
    *) echo 500000 ;;
    esac
}
corse=""
seme=1
bersagli=""
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) corse=$2; shift 2 ;;
    --seed) seme=$2; shift 2 ;;
    -*) echo "tools/fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) bersagli="$bersagli $1"; shift ;;
    esac
done

cartella="$radice/build-fuzz"
cmake -S "$radice" -B "$cartella" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSPORTELLO_FUZZ=ON \
    -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build "$cartella" -j"$(nproc)"

[ -n "$bersagli" ] || bersagli=$(cd "$radice/fuzz/corpus" && ls)
mkdir -p "$cartella/artefatti"
for b in $bersagli; do
    mkdir -p "$cartella/corpus/$b"
    n=${corse:-$(corse_di "$b")}
    echo "== $b: $n runs"
    inizio=$(date +%s)
    # -timeout: one input taking seconds is a hang; -rss_limit_mb: so is runaway memory.
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        "$cartella/fuzz/$b" -runs="$n" -seed="$seme" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$cartella/artefatti/$b-" "$cartella/corpus/$b" "$radice/fuzz/corpus/$b" \
        >"$cartella/$b.log" 2>&1 || {
        tail -n 60 "$cartella/$b.log"
        echo "== $b FAILED: see $cartella/$b.log and $cartella/artefatti/" >&2
        exit 1
    }
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^#[0-9]+.*DONE' "$cartella/$b.log" || true
    echo "== $b: passed in $(($(date +%s) - inizio)) s"
done
