#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Times tetrode-calc end to end, process start to exit, with hyperfine (Debian's package):
#   (a) `figures` on an example curve file (target: under 15 ms);
#   (b) a sweep of 1000 x 1000 points on the 100-point x 40-curve synthetic table of the
#       benchmarks, its output to /dev/null (target: under 3 s on two cores).
# Usage: bench/cli_bench.sh [build folder, default build]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
calc=$build/cli/tetrode-calc
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$build/bench/write_synthetic_curves" 100 40 "$work/synthetic-100x40.csv"
echo "cores: $(nproc)"
# -N runs each command without a shell, so the shell's start-up is not counted; hyperfine sends
# the commands' output to /dev/null.
hyperfine -N --warmup 10 --runs 200 \
    "$calc figures $root/examples/model-tetrode-250v.csv --grid-bias -75 --anode-bias 3000 --peak-grid 20 --min-anode 400 --screen 300"
hyperfine -N --warmup 1 --runs 10 \
    "$calc sweep $work/synthetic-100x40.csv --grid-bias -100 --anode-bias 2000 --peak-grid 50 --min-anode 300 --vary min-anode=200:1199:1 --vary peak-grid=0:99.9:0.1"
