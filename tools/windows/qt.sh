#!/bin/sh
# Builds Qt 6.4.2 for 64-bit Windows with MinGW-w64 from Debian's own source package of qt6-base (the host's
# version, whose moc, rcc and uic the build uses), the recipe of the Qt kept in shared/windows-qt/: qtbase
# only, shared libraries (Core, Gui, Widgets, PrintSupport, Test), the windows, offscreen and minimal
# platform plugins, the Windows, WindowsVista and Fusion styles, the bundled third-party libraries; no sql,
# network, dbus, opengl, vulkan, concurrent, icu, zstd or tablet events. About an hour on two cores.
#   tools/windows/qt.sh WORKDIR PREFIX     the source and the build in WORKDIR, Qt installed into PREFIX
# Needs Debian's source entries (tools/windows/sdk.sh makes them) and the packages of setup.sh --windows.
set -eu
lavoro=$1
prefisso=$2
radice=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$lavoro"
cd "$lavoro"

sorgente=qtbase-everywhere-src-6.4.2
if [ ! -d $sorgente ]; then
    apt-get source --download-only qt6-base=6.4.2+dfsg-10 >/dev/null
    tar xJf qt6-base_6.4.2+dfsg.orig.tar.xz
    # Qt 6.4.2 asks for the dynamic OpenGL loader in one place of the Windows plugin even without OpenGL.
    sed -i '2296s/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
        $sorgente/src/plugins/platforms/windows/qwindowswindow.cpp
fi

# Tablet events are off: Debian's source leaves out the tablet header the Windows plugin needs (wintab.h).
# The SDK folder stands in for the one of the libraries: Qt uses none of them.
cmake -S $sorgente -B build -G Ninja -DCMAKE_TOOLCHAIN_FILE="$radice/cmake/WindowsMinGW.cmake" \
    -DSPORTELLO_SDK_WINDOWS="$lavoro" -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
    -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DCMAKE_INSTALL_PREFIX="$prefisso" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF -DFEATURE_vulkan=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_system_jpeg=OFF -DFEATURE_system_doubleconversion=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF \
    -DFEATURE_tabletevent=OFF >/dev/null
cmake --build build --parallel "$(nproc)"
cmake --install build >/dev/null
# The DLLs without their debug sections (the import libraries, headers and CMake files stay).
find "$prefisso" -name '*.dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +
