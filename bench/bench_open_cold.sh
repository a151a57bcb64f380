#!/usr/bin/env bash
# Cold figures of opening a manifest into the model: one open (and destroying the manifest) in a fresh
# process, for the 1, 10 and 100 MB XML documents and the 100 MB document's cache image, in turns, the
# order rotated from round to round. Prints median and range of the time, page faults, system time and
# peak memory, checks that every open of a document read the same number of files, and gives the
# cache's ratio against the XML open of the same document. The page cache stays warm (the files were
# just written); with --evict the page cache is dropped before every open, where that is permitted.
#
#   bench/bench_open_cold.sh <optimised build folder> [rounds] [--evict]     (default 7 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: bench/bench_open_cold.sh <optimised build folder> [rounds] [--evict]}"
rounds="${2:-7}"
evict="${3:-}"
program="$build/bench/bench_manifest_open"
[ -x "$program" ] || { echo "bench_open_cold: $program is missing (build bench_manifest_open)" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/trove-bench-open.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$program" --write-documents "$work"
if [ "$evict" = "--evict" ] && ! (sync && echo 3 >/proc/sys/vm/drop_caches) 2>/dev/null; then
  echo "bench_open_cold: dropping the page cache is not permitted here; figures are with a warm page cache"
  evict=""
fi
docs=(1MB.xml 10MB.xml 100MB.xml 100MB.cache)
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq 1 "$rounds"); do
  n=${#docs[@]}
  for i in $(seq 0 $((n - 1))); do
    doc=${docs[$(((i + round) % n))]}
    [ -n "$evict" ] && sync && echo 3 >/proc/sys/vm/drop_caches
    echo "$doc $(stat -c %s "$work/$doc") $("$program" --cold "$work/$doc")" >>"$work/times"
  done
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$work/times" <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    doc, nbytes, total, opened, faults, sysms, rss, files = line.split()
    runs.setdefault(doc, []).append((float(total), float(opened), int(faults), float(sysms), int(rss), int(files), int(nbytes)))
print("cold: one open + destroy in a fresh process; median (range) over the rounds")
print("%-12s %10s %8s %19s %10s %9s %8s %13s %7s" % ("document", "bytes", "MB/s", "ms range", "open ms", "faults",
                                                  "sys ms", "peak RSS MiB", "files"))
med = {}
for doc in ("1MB.xml", "10MB.xml", "100MB.xml", "100MB.cache"):
    rows = runs[doc]
    files = {r[5] for r in rows}
    ms = [r[0] for r in rows]
    med[doc] = statistics.median(ms)
    nbytes = rows[0][6]
    print("%-12s %10d %8.0f %8.1f-%-9.1f %10.1f %9d %8.1f %13.0f %7s" % (
        doc, nbytes, nbytes / 2**20 / (med[doc] / 1e3), min(ms), max(ms), statistics.median([r[1] for r in rows]),
        statistics.median([r[2] for r in rows]), statistics.median([r[3] for r in rows]),
        statistics.median([r[4] for r in rows]) / 1024, "/".join(map(str, sorted(files)))))
same = {r[5] for r in runs["100MB.xml"]} == {r[5] for r in runs["100MB.cache"]} and len({r[5] for r in runs["100MB.xml"]}) == 1
if same:
    print("same work: the XML and the cache open both read %d files; cache / XML speed: %.1f" % (
        runs["100MB.xml"][0][5], med["100MB.xml"] / med["100MB.cache"]))
else:
    print("the XML and the cache opens did not read the same files; no ratio")
PY
