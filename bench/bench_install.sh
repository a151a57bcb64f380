#!/usr/bin/env bash
# Runs the installation benchmark: generates the sources with make_gallery_source, runs bench_install in
# fresh processes (each process's first round is the cold figure), and deletes the generated data.
#
#   bench/bench_install.sh <optimised build folder> [work folder] [processes]
#
# The work folder (default: <build>/bench-install-data) needs about 3.5 GB free while it runs.
set -euo pipefail

build=${1:?usage: bench/bench_install.sh <optimised build folder> [work folder] [processes]}
work=${2:-$build/bench-install-data}
processes=${3:-3}
tool=$build/tools/make_gallery_source
bench=$build/bench/bench_install
command -v unzip >/dev/null || { echo "bench_install.sh: the unzip tool is missing (scripts/setup installs it)"; exit 1; }
[ -x "$tool" ] && [ -x "$bench" ] || { echo "build make_gallery_source and bench_install in $build first"; exit 1; }

mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

# About 1 GB: 20 categories sharing 10,000 item files of 100 KiB (incompressible, like pictures).
"$tool" --generate 20 10000 102400 --out "$work/large" --guid BENCH
# 2,000 categories of one small item each; destinations with 125, 250 and 500 of them installed.
"$tool" --generate 2000 2000 64 --out "$work/many" --guid BENCH

for p in $(seq 1 "$processes"); do
  echo "== install, process $p"
  "$bench" install "$work/large" "$work/run" 3
done
for p in $(seq 1 "$processes"); do
  echo "== open, process $p"
  "$bench" open "$work/many" "$work/open" 125,250,500 5
done
