# Cross build for 64-bit Windows with Debian's MinGW-w64 (POSIX threads), against the SDK that
# tools/windows/sdk.sh builds (Qt and the libraries of the sheets and the tests, all for Windows):
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/WindowsMinGW.cmake \
#         -DSPORTELLO_SDK_WINDOWS=<the SDK folder>
# (or the SDK folder in the environment variable of the same name). Qt's host tools (moc, rcc, uic) are
# Debian's own, of the same version. The programs run on Linux through Wine (tools/windows/wine.sh), so
# that ctest runs the test programs there and the build runs its own tools.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

if(NOT SPORTELLO_SDK_WINDOWS)
    set(SPORTELLO_SDK_WINDOWS "$ENV{SPORTELLO_SDK_WINDOWS}")
endif()
if(NOT SPORTELLO_SDK_WINDOWS)
    message(FATAL_ERROR "The Windows build needs the SDK: -DSPORTELLO_SDK_WINDOWS=<folder> (tools/windows/sdk.sh)")
endif()
set(SPORTELLO_SDK_WINDOWS "${SPORTELLO_SDK_WINDOWS}" CACHE PATH "The SDK of the Windows build (tools/windows/sdk.sh)")
# The checks of the compiler build in scratch projects of their own, which read this file again.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES SPORTELLO_SDK_WINDOWS)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${SPORTELLO_SDK_WINDOWS}/qt6-mingw64
    ${SPORTELLO_SDK_WINDOWS}/librerie)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(QT_HOST_PATH /usr)
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
# pkg-config finds only the SDK's libraries, whose .pc files name their static dependencies too.
set(ENV{PKG_CONFIG_LIBDIR} ${SPORTELLO_SDK_WINDOWS}/librerie/lib/pkgconfig)
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# ctest and the build's own tools run the programs through Wine (unless told otherwise, even nothing), in a
# Wine prefix of the build folder, with the SDK's DLLs on Wine's PATH.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/windows/wine.sh
        --sdk ${SPORTELLO_SDK_WINDOWS} --prefisso ${CMAKE_BINARY_DIR}/wine)
endif()
