#!/bin/sh
# Installs what building, running and testing Sportello needs on Debian 12, and nothing when all is there.
set -eu

PACCHETTI="cmake ninja-build g++ pkg-config
qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
libgtest-dev libbenchmark-dev
xvfb xauth
fonts-liberation2 fonts-dejavu-core"

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
