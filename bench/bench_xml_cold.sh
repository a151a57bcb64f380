#!/usr/bin/env bash
# Cold figures of the XML readers: one parse of one document in a fresh process (the document is read
# into memory first, untimed), every reader in turn, the order rotated from round to round so that no
# reader always runs first or last. Prints per reader and size the median and range of the parse time,
# its page faults and system time, and the ratios only where all readers reported the same counts.
#
#   bench/bench_xml_cold.sh <optimised build folder> [rounds]      (default 7 rounds)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:?usage: bench/bench_xml_cold.sh <optimised build folder> [rounds]}"
rounds="${2:-7}"
program="$build/bench/bench_xml_reader"
[ -x "$program" ] || { echo "bench_xml_cold: $program is missing (build bench_xml_reader)" >&2; exit 2; }

work="$(mktemp -d "${TMPDIR:-/tmp}/trove-bench-xml.XXXXXX")"
trap 'rm -rf "$work"' EXIT
"$program" --write-documents "$work" >/dev/null
readers=(KELDASax KELDASaxDecoding expat libxml2 pugixml pugixmlKept)

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for size in 1 10 100; do
  for round in $(seq 1 "$rounds"); do
    n=${#readers[@]}
    for i in $(seq 0 $((n - 1))); do
      reader=${readers[$(((i + round) % n))]}
      echo "$size $round $("$program" --cold "$reader" "$work/${size}MB.xml")" >>"$work/times"
    done
  done
done
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$work/times" <<'PY'
import statistics, sys
runs = {}
for line in open(sys.argv[1]):
    size, rnd, reader, nbytes, ms, faults, sysms, el, at, atb, tx = line.split()
    runs.setdefault((int(size), reader), []).append(
        (float(ms), int(faults), float(sysms), (int(el), int(at), int(atb), int(tx)), int(nbytes)))
sizes = sorted({s for s, _ in runs})
readers = []
for _, r in runs:
    if r not in readers: readers.append(r)
print("cold: one parse in a fresh process; median (range) over the rounds")
for size in sizes:
    work = {runs[(size, r)][0][3] for r in readers}
    nbytes = runs[(size, readers[0])][0][4]
    print("\n%3d MB (%d bytes)  %-17s %8s %19s %9s %8s" % (size, nbytes, "reader", "MB/s", "ms range", "faults", "sys ms"))
    med = {}
    for r in readers:
        rows = runs[(size, r)]
        ms = [x[0] for x in rows]
        med[r] = statistics.median(ms)
        print("                    %-17s %8.0f %8.1f-%-9.1f %9d %8.1f" % (
            r, nbytes / 2**20 / (med[r] / 1e3), min(ms), max(ms),
            statistics.median([x[1] for x in rows]), statistics.median([x[2] for x in rows])))
    if len(work) != 1:
        print("  the readers did not report the same counts: %s; no ratio" % work)
        continue
    el, at, atb, tx = next(iter(work))
    print("  same work: %d elements, %d attributes (%d bytes), %d text bytes" % (el, at, atb, tx))
    for a, b in (("KELDASax", "pugixmlKept"), ("KELDASaxDecoding", "pugixmlKept"), ("KELDASax", "pugixml"),
                 ("KELDASax", "expat"), ("KELDASax", "libxml2"), ("KELDASaxDecoding", "expat")):
        print("  %s / %s: %.2f" % (a, b, med[b] / med[a]))
PY
