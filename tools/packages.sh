# The Debian packages each command needs; sourced by ./run, ./test, bench/run and fuzz/run.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev)
# The format check; the packaging checks: the Debian package, its menu entry, lintian's
# reading of it, the Windows resource script.
TEST_PACKAGES=(clang-format dpkg-dev desktop-file-utils lintian binutils-mingw-w64-x86-64 file)
# The Windows program: the MinGW-w64 cross compiler, and Wine with a virtual display to test it.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine wine64 fonts-wine xvfb xdotool)
