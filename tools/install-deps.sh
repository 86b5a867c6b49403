#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, from Debian's archive, whatever the build, the tests and the benchmarks need and this
# machine lacks. Does nothing when everything is there, so it is safe to run every time.
set -euo pipefail

packages=(
    cmake make g++                          # the build
    qt6-base-dev qt6-qpa-plugins            # the window, and the platform plugins that show it
    qt6-charts-dev libqt6opengl6-dev        # the charts window (Qt Charts' CMake files need OpenGL)
    qt6-svg-dev                             # the charts' SVG export
    libgtest-dev libgmock-dev               # the tests
    libcli11-dev nlohmann-json3-dev         # tetrode-calc's arguments and JSON
    libbenchmark-dev hyperfine              # the benchmarks
    clang libclang-rt-14-dev                # the sanitizer build and the fuzz targets
    clang-format                            # the format check among the tests
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
