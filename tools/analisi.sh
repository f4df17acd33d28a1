#!/bin/sh
# Static analysis of the whole tree, which must come out clean: clang-tidy with the checks of .clang-tidy,
# then cppcheck. Uses the compile commands of the normal build (build/) and, for the fuzz targets, of the
# fuzz build (build-fuzz/); configures either when it is missing.
#   tools/analisi.sh
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
"$radice/tools/setup.sh" --analisi
lavori=$(nproc)

normale="$radice/build"
fuzz="$radice/build-fuzz"
[ -f "$normale/compile_commands.json" ] || cmake -S "$radice" -B "$normale" -G Ninja >/dev/null
[ -f "$fuzz/compile_commands.json" ] ||
    cmake -S "$radice" -B "$fuzz" -G Ninja -DSPORTELLO_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
# The files that moc and rcc generate must exist for the sources that include them.
cmake --build "$normale" -j"$lavori" >/dev/null

nostri="$radice/(common|ui|app|fiscalcode|comuni|partitaiva|euroconv|prefix|cli|tabelle|tests|tools|fuzz)/"
rapporto="$normale/analisi.log"
: >"$rapporto"

echo "== clang-tidy"
inizio=$(date +%s)
# run-clang-tidy's exit code also counts the tool's own noise: the findings in our files decide.
run-clang-tidy-14 -p "$normale" -j"$lavori" -quiet -header-filter="^$nostri" \
    "^$radice/(common|ui|app|fiscalcode|comuni|partitaiva|euroconv|prefix|cli|tabelle|tests|tools)/.*\.cpp$" >>"$rapporto" 2>&1 || true
run-clang-tidy-14 -p "$fuzz" -j"$lavori" -quiet -header-filter="^$nostri" "^$radice/fuzz/.*\.cpp$" \
    >>"$rapporto" 2>&1 || true
if sed 's/\x1b\[[0-9;]*m//g' "$rapporto" | grep -E "^$radice/.*: (warning|error):"; then
    echo "== clang-tidy: findings above (whole output in $rapporto)" >&2
    exit 1
fi
echo "== clang-tidy: clean in $(($(date +%s) - inizio)) s"

echo "== cppcheck"
# Suppressed everywhere: missingIncludeSystem (Qt and the standard headers are not given to cppcheck, its
# Qt library file stands for them); useStlAlgorithm (a preference: the plain loops read as well here);
# constParameterCallback (a callback keeps the signature its caller requires, benchmark::State & here).
# Single findings that are wrong are suppressed in the code, with the reason beside them.
cd "$radice"
controlla() {
    banca=$1
    shift
    cppcheck --project="$banca/compile_commands.json" --enable=warning,performance,portability,style --std=c++17 \
        --library=qt --library=googletest --inline-suppr --suppress=missingIncludeSystem \
        --suppress=useStlAlgorithm --suppress=constParameterCallback --error-exitcode=1 -q -j"$lavori" \
        --template='{file}:{line}: {severity}: {message} [{id}]' "$@"
}
# The filters are matched against the absolute paths of the compile commands.
controlla "$normale" --file-filter="$radice/common/*" --file-filter="$radice/ui/*" --file-filter="$radice/app/*" --file-filter="$radice/fiscalcode/*" \
    --file-filter="$radice/comuni/*" --file-filter="$radice/partitaiva/*" --file-filter="$radice/euroconv/*" \
    --file-filter="$radice/prefix/*" --file-filter="$radice/cli/*" --file-filter="$radice/tabelle/*" --file-filter="$radice/tests/*" --file-filter="$radice/tools/*"
controlla "$fuzz" --file-filter="$radice/fuzz/*"
echo "== cppcheck: clean"
