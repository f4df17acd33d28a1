#!/bin/sh
# Builds, once, the SDK of the Windows build into a cache folder: Qt for Windows (with Qt's Italian texts,
# Debian's own file of the same version: a translation is the same on every platform), and zlib, libzip, libxml2,
# libxlsxwriter, libcsv and googletest, each from its Debian source package, built with MinGW-w64 as static
# libraries (the programs carry them, so no DLL of theirs is shipped). A second run with the cache in place
# does nothing. Prints the folder on its last line.
#   tools/windows/sdk.sh [--cartella DIR] [--qt FILE] [--senza-compilare-qt] [--piano]
#     --cartella DIR   the cache; else $SPORTELLO_SDK_WINDOWS, else ${XDG_CACHE_HOME:-~/.cache}/sportello/windows-sdk
#     --qt FILE        the packed Qt to unpack (qt6-mingw64-6.4.2.tar.xz, as shared/windows-qt/build.sh makes
#                      it); else $SPORTELLO_QT_WINDOWS, else ../shared/windows-qt/ beside the repository (or
#                      beside the main checkout of a worktree). Without it Qt is built from Debian's source
#                      (tools/windows/qt.sh, about an hour on two cores).
#     --senza-compilare-qt  never build Qt: without the packed Qt or a cache holding it, say so on one line
#                      and end with status 3 (CI)
#     --piano          print what would be done, one line a part, and do nothing
# Needs the packages of tools/setup.sh --windows, and root (or sudo) for the source entries of apt: they are
# the machine's own Debian entries copied with Types: deb-src, so that no host name is written here.
set -eu
radice=$(cd "$(dirname "$0")/../.." && pwd)

cartella=${SPORTELLO_SDK_WINDOWS:-${XDG_CACHE_HOME:-$HOME/.cache}/sportello/windows-sdk}
qt=${SPORTELLO_QT_WINDOWS:-}
mai_qt=no
piano=no
while [ $# -gt 0 ]; do
    case "$1" in
    --cartella) cartella=$2; shift ;;
    --qt) qt=$2; shift ;;
    --senza-compilare-qt) mai_qt=yes ;;
    --piano) piano=yes ;;
    *) echo "tools/windows/sdk.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done
mkdir -p "$cartella"
cartella=$(cd "$cartella" && pwd)

# The packed Qt of shared/windows-qt/, beside the repository or beside the main checkout of this worktree.
if [ -z "$qt" ]; then
    nome=shared/windows-qt/qt6-mingw64-6.4.2.tar.xz
    qt=$radice/../$nome
    comune=$(git -C "$radice" rev-parse --path-format=absolute --git-common-dir 2>/dev/null || true)
    if [ ! -f "$qt" ] && [ -n "$comune" ] && [ -f "$(dirname "$comune")/../$nome" ]; then
        qt=$(dirname "$comune")/../$nome
    fi
fi

LIBRERIE="zlib libzip libxml2 libxlsxwriter libcsv googletest"
pronto() { [ -f "$cartella/.pronto/$1" ]; }
segna() { mkdir -p "$cartella/.pronto" && echo "$2" >"$cartella/.pronto/$1"; }
tutto_pronto() {
    pronto qt && pronto traduzioni || return 1
    for l in $LIBRERIE; do pronto "$l" || return 1; done
}

if [ $piano = yes ]; then
    if pronto qt; then echo "qt: in the cache"
    elif [ -f "$qt" ]; then echo "qt: unpack $qt"
    elif [ $mai_qt = yes ]; then echo "qt: none (not built here)"
    else echo "qt: build from Debian's source (tools/windows/qt.sh)"
    fi
    if pronto traduzioni; then echo "traduzioni: in the cache"; else echo "traduzioni: copy Debian's"; fi
    for l in $LIBRERIE; do
        if pronto "$l"; then echo "$l: in the cache"; else echo "$l: build from Debian's source"; fi
    done
    echo "$cartella"
    exit 0
fi

if tutto_pronto; then
    echo "The Windows SDK is already built." >&2
    echo "$cartella"
    exit 0
fi
if ! pronto qt && [ ! -f "$qt" ] && [ $mai_qt = yes ]; then
    echo "No Qt for Windows: neither $qt nor an SDK in $cartella."
    exit 3
fi

inizio=$(date +%s)
lavoro=$cartella/lavoro
prefisso=$cartella/librerie
mkdir -p "$lavoro" "$prefisso/include" "$prefisso/lib/pkgconfig"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi

# Debian's source entries: the machine's own entries, as deb-src.
sorgenti_debian() {
    [ -n "$(apt-cache showsrc zlib 2>/dev/null)" ] && return 0
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
            $sudo tee /etc/apt/sources.list.d/sportello-sorgenti.sources >/dev/null
    else
        sed -n 's/^deb /deb-src /p' /etc/apt/sources.list |
            $sudo tee /etc/apt/sources.list.d/sportello-sorgenti.list >/dev/null
    fi
    $sudo apt-get update -qq
}

# Unpacks the Debian source package $1 (with Debian's patches) in the work folder and prints its folder.
# The versions are tried newest first: a security update's source may be gone from the mirror.
sorgente() {
    for versione in $(apt-cache showsrc --only-source "$1" | sed -n 's/^Version: //p' | sort -urV); do
        if (cd "$lavoro" && apt-get source -qq "$1=$versione") >"$lavoro/$1.sorgente.log" 2>&1; then
            find "$lavoro" -maxdepth 1 -type d -name "$1-*" | head -n 1
            return 0
        fi
    done
    echo "tools/windows/sdk.sh: the source of $1 cannot be fetched:" >&2
    cat "$lavoro/$1.sorgente.log" >&2
    return 1
}

# Runs a step of one library with its output in a log, shown only when the step fails.
registra() {
    log=$lavoro/$nome.log
    if ! "$@" >>"$log" 2>&1; then
        tail -n 40 "$log" >&2
        echo "tools/windows/sdk.sh: $nome failed; the whole log is $log" >&2
        exit 1
    fi
}

# Configures, builds and installs a CMake project of the Windows build into the SDK's libraries.
cmake_windows() {
    sorg=$1
    shift
    registra cmake -S "$sorg" -B "$sorg/build-windows" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$radice/cmake/WindowsMinGW.cmake" -DSPORTELLO_SDK_WINDOWS="$cartella" \
        -DCMAKE_CROSSCOMPILING_EMULATOR= -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefisso" \
        -DBUILD_SHARED_LIBS=OFF -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
    registra cmake --build "$sorg/build-windows" --parallel "$(nproc)"
    registra cmake --install "$sorg/build-windows"
}

# A static library's .pc file names what it needs itself: the private parts become public ones.
pc_statico() {
    awk -v extra="$2" '
        /^Libs\.private:/ { sub(/^Libs\.private:/, ""); lp = lp $0; next }
        /^Cflags\.private:/ { sub(/^Cflags\.private:/, ""); cp = cp $0; next }
        /^Requires\.private:/ { sub(/^Requires\.private:/, ""); rp = rp $0; next }
        { righe[++n] = $0 }
        END {
            for (i = 1; i <= n; i++) {
                r = righe[i]
                if (r ~ /^Libs:/) r = r lp
                else if (r ~ /^Cflags:/) r = r cp (index(r cp, extra) ? "" : " " extra)
                else if (r ~ /^Requires:/) r = r rp
                print r
            }
        }' "$1" >"$1.nuovo"
    mv "$1.nuovo" "$1"
}

costruisci_zlib() {
    s=$(sorgente zlib)
    registra cmake -S "$s" -B "$s/build-windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$radice/cmake/WindowsMinGW.cmake" \
        -DSPORTELLO_SDK_WINDOWS="$cartella" -DCMAKE_CROSSCOMPILING_EMULATOR= -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_INSTALL_PREFIX="$prefisso" -DCMAKE_C_COMPILER_LAUNCHER=ccache
    registra cmake --build "$s/build-windows" --target zlibstatic
    cp "$s/zlib.h" "$s/build-windows/zconf.h" "$prefisso/include/"
    cp "$s/build-windows/libzlibstatic.a" "$prefisso/lib/libz.a"
    cp "$s/build-windows/zlib.pc" "$prefisso/lib/pkgconfig/"
}

costruisci_libzip() {
    # Neither encryption nor other compressions: the kit reads and writes plain .xlsx and .ods files.
    s=$(sorgente libzip)
    cmake_windows "$s" -DENABLE_COMMONCRYPTO=OFF -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF \
        -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF \
        -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
    pc_statico "$prefisso/lib/pkgconfig/libzip.pc" -DZIP_STATIC
}

costruisci_libxml2() {
    # UTF-8 and UTF-16 are built in: the sheets' XML needs no iconv.
    s=$(sorgente libxml2)
    cmake_windows "$s" -DLIBXML2_WITH_ICONV=OFF -DLIBXML2_WITH_LZMA=OFF -DLIBXML2_WITH_ZLIB=OFF \
        -DLIBXML2_WITH_PYTHON=OFF -DLIBXML2_WITH_HTTP=OFF -DLIBXML2_WITH_FTP=OFF -DLIBXML2_WITH_MODULES=OFF \
        -DLIBXML2_WITH_TESTS=OFF -DLIBXML2_WITH_PROGRAMS=OFF
    pc_statico "$prefisso/lib/pkgconfig/libxml-2.0.pc" -DLIBXML_STATIC
}

costruisci_libxlsxwriter() {
    # Its own copies of minizip and MD5, as upstream builds it.
    s=$(sorgente libxlsxwriter)
    cmake_windows "$s" -DUSE_SYSTEM_MINIZIP=OFF -DUSE_OPENSSL_MD5=OFF -DBUILD_TESTS=OFF \
        -DBUILD_EXAMPLES=OFF
}

costruisci_libcsv() {
    # One C file; its autotools build would need a libtool of its own for the cross compiler.
    s=$(sorgente libcsv)
    registra ccache x86_64-w64-mingw32-gcc-posix -O2 -c "$s/libcsv.c" -o "$s/libcsv.o"
    registra x86_64-w64-mingw32-ar rcs "$prefisso/lib/libcsv.a" "$s/libcsv.o"
    cp "$s/csv.h" "$prefisso/include/"
}

costruisci_googletest() {
    s=$(sorgente googletest)
    cmake_windows "$s" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

if ! pronto qt; then
    if [ -f "$qt" ]; then
        echo "Qt: unpacking $qt" >&2
        rm -rf "$cartella/qt6-mingw64"
        tar -C "$cartella" -xJf "$qt"
        segna qt "$(basename "$qt")"
    else
        echo "Qt: building it from Debian's source, about an hour on two cores" >&2
        sorgenti_debian
        nome=qt
        registra "$radice/tools/windows/qt.sh" "$lavoro/qt" "$cartella/qt6-mingw64"
        segna qt "qt6-base 6.4.2+dfsg-10"
    fi
fi
if ! pronto traduzioni; then
    mkdir -p "$cartella/qt6-mingw64/translations"
    cp /usr/share/qt6/translations/qtbase_it.qm "$cartella/qt6-mingw64/translations/"
    segna traduzioni "$(dpkg-query -W -f='${Version}' qt6-translations-l10n)"
fi
for nome in $LIBRERIE; do
    pronto "$nome" && continue
    echo "$nome: building it from Debian's source" >&2
    sorgenti_debian
    : >"$lavoro/$nome.log"
    "costruisci_$nome"
    segna "$nome" "$(sed -n '1s/^[^ ]* (\([^)]*\)).*/\1/p' "$lavoro"/"$nome"-*/debian/changelog | head -n 1)"
done
rm -rf "$lavoro"

fine=$(date +%s)
echo "The Windows SDK built in $(((fine - inizio) / 60)) min $(((fine - inizio) % 60)) s." >&2
echo "$cartella"
