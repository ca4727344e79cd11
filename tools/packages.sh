# The Debian packages each command needs; sourced by ./run, ./test and ./bench.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev)
