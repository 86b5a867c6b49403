#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j "$(nproc)"
cd "$root/build"
ctest --output-on-failure -j "$(nproc)"
