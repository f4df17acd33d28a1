#!/bin/sh
# Sets up the machine if needed, builds Sportello and starts it.
set -eu
radice=$(cd "$(dirname "$0")/.." && pwd)
"$radice/tools/setup.sh"
cmake -S "$radice" -B "$radice/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$radice/build" --target sportello -j"$(nproc)"
exec "$radice/build/bin/sportello" "$@"
