#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds everything and runs every test: once as released (gcc, Release), then once more under
# AddressSanitizer and UndefinedBehaviorSanitizer (clang, build-asan). A failure in either fails.
# TETRODE_WERROR=ON (as CI sets it) makes every compiler warning an error.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
werror=-DTETRODE_WERROR=${TETRODE_WERROR:-OFF}
"$root/tools/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release "$werror" >/dev/null
cmake --build "$root/build" -j "$(nproc)"
(cd "$root/build" && ctest --output-on-failure -j "$(nproc)")

echo "== The tests again under AddressSanitizer and UndefinedBehaviorSanitizer =="
(cd "$root" && cmake --preset asan "$werror" >/dev/null)
cmake --build "$root/build-asan" -j "$(nproc)"
cd "$root/build-asan"
ctest --output-on-failure -j "$(nproc)"
