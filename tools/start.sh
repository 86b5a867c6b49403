#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the calculator (Release) and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" --target tetrode-calculator -j "$(nproc)"
exec "$root/build/app/tetrode-calculator"
