#!/usr/bin/env bash
# The whole program: "trove --noui --installall" of a generated gallery source from a local folder,
# timed as one process from start to exit, against the plain extraction floor (unzip of the same
# packages into an empty folder). Every round runs both, in alternating order, each in a fresh
# process with a fresh destination; trove also gets a fresh home, settings and system root, so each
# of its runs is a first install. Both sides must leave the same number of item files with the same
# bytes, or no ratio is printed.
#
#   bench/bench_commands.sh <optimised build folder> [categories] [item files] [bytes per file] [rounds]
#
# Defaults: 4 categories, 2000 item files of 1024 bytes, 7 rounds.
set -euo pipefail
cd "$(dirname "$0")/.."

build="${1:?usage: bench/bench_commands.sh <optimised build folder> [categories] [files] [bytes] [rounds]}"
categories="${2:-4}"
files="${3:-2000}"
bytes="${4:-1024}"
rounds="${5:-7}"
trove="$build/src/app/trove"
publisher="$build/tools/make_gallery_source"
for tool in "$trove" "$publisher"; do
  [ -x "$tool" ] || { echo "bench_commands: $tool is missing (build the trove and make_gallery_source targets)" >&2; exit 2; }
done
command -v unzip >/dev/null || { echo "bench_commands: unzip is not installed" >&2; exit 2; }
guid="7D3F0C6A-52B1-4E0B-9C1E-2A6F3B1D8E41"

work="$(mktemp -d "${TMPDIR:-/tmp}/trove-bench-commands.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$publisher" --generate "$categories" "$files" "$bytes" --guid "$guid" --out "$work/source"
config="$PWD/samples/configuration"

now() { date +%s%N; }

# "<count> <bytes>" of the item files below a folder.
items() { find "$1" -name '*.galleryitem' -type f -printf '%s\n' | awk '{n++; s+=$1} END {printf "%d %d\n", n, s}'; }

run_trove() {
  local round="$1" root="$work/trove-$1"
  mkdir -p "$root/home/.config" "$root/sys/tmp" "$root/tmp"
  local start end
  start=$(now)
  HOME="$root/home" XDG_CONFIG_HOME="$root/home/.config" TROVE_SYSROOT="$root/sys" TMPDIR="$root/tmp" \
    "$trove" --noui --installall -configuration "$config" -source "$work/source" -destination "$root/gallery" \
    >"$root/out.txt" 2>&1 || { echo "bench_commands: trove failed in round $round:" >&2; cat "$root/out.txt" >&2; exit 1; }
  end=$(now)
  echo "trove $round $(((end - start) / 1000)) $(items "$root/gallery")" >>"$work/times"
  rm -rf "$root"
}

run_unzip() {
  local round="$1" root="$work/unzip-$1"
  mkdir -p "$root/gallery"
  local start end
  start=$(now)
  for package in "$work/source"/*.gallery; do
    unzip -q -o "$package" -d "$root/gallery"
  done
  end=$(now)
  echo "unzip $round $(((end - start) / 1000)) $(items "$root/gallery")" >>"$work/times"
  rm -rf "$root"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq 1 "$rounds"); do
  if [ $((round % 2)) -eq 1 ]; then
    run_trove "$round"
    run_unzip "$round"
  else
    run_unzip "$round"
    run_trove "$round"
  fi
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$work/times" <<'PY'
import statistics, sys
rows = [line.split() for line in open(sys.argv[1])]
runs = {}
for side, rnd, micros, count, size in rows:
    runs.setdefault(side, []).append((int(rnd), int(micros) / 1000.0, int(count), int(size)))
work = {side: {(c, s) for _, _, c, s in r} for side, r in runs.items()}
print("%-6s %6s %10s %10s %18s %10s %12s" % ("side", "runs", "cold ms", "median ms", "range ms", "files", "bytes"))
for side in ("trove", "unzip"):
    r = sorted(runs[side])
    cold = r[0][1]
    warm = [ms for _, ms, _, _ in r[1:]] or [cold]
    allms = [ms for _, ms, _, _ in r]
    count, size = r[0][2], r[0][3]
    print("%-6s %6d %10.1f %10.1f %8.1f-%-9.1f %10d %12d" %
          (side, len(r), cold, statistics.median(allms), min(allms), max(allms), count, size))
    print("%-6s %6s %10s %10.1f   (median of rounds 2-%d, warm)" % ("", "", "", statistics.median(warm), len(r)))
if len(work["trove"]) != 1 or work["trove"] != work["unzip"]:
    print("the two sides did not extract the same files: %s against %s; no ratio" % (work["trove"], work["unzip"]))
    sys.exit(1)
med = {side: statistics.median([ms for _, ms, _, _ in runs[side]]) for side in runs}
print("same work on both sides: %d files, %d bytes" % next(iter(work["trove"])))
print("trove / unzip (median of all rounds): %.2f" % (med["trove"] / med["unzip"]))
PY
