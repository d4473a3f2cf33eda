#!/usr/bin/env bash
# Listing the members of a large zip: a catalogue with ExpandArchives on against
# bsdtar -tvf on the same archive, side by side.
# Usage: bench/archive_vs_bsdtar.sh [MEMBERS]   (default 100000)
# ORDANO_BUILD_DIR chooses the build folder (default: build, Release).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
members=${1:-100000}
bench_build ordanou
bin="$build/ordanou"

mkdir -p "$work/tree" "$work/out" "$work/on" "$work/off"
# Small deflated members in 100 folders, as a source tree packed by a zip tool.
python3 - "$work/tree/many.zip" "$members" <<'PY'
import sys, zipfile
path, n = sys.argv[1], int(sys.argv[2])
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(n):
        z.writestr("d%03d/file%06d.txt" % (i * 100 // n, i), ("line %d\n" % i) * (1 + i % 5))
PY

# First runs write the first-start settings; then ExpandArchives (byte 1716) is
# switched on in one of the two program folders.
ORDANO_HOME="$work/off" "$bin" --yes "/O:$work/out" /F:off.txt "$work/tree" >/dev/null 2>&1
ORDANO_HOME="$work/on" "$bin" --yes "/O:$work/out" /F:on.txt "$work/tree" >/dev/null 2>&1
python3 - "$work/on/ordanou.dat" <<'PY'
import struct, sys
p = sys.argv[1]
b = bytearray(open(p, "rb").read())
struct.pack_into("<i", b, 1716, 1)
open(p, "wb").write(b)
PY
ORDANO_HOME="$work/on" "$bin" --yes "/O:$work/out" /F:on.txt "$work/tree" >/dev/null 2>&1
rows=$(iconv -f UTF-16LE -t UTF-8 "$work/out/on.txt" | grep -c '^many.zip (L' || true)
echo "member rows in the catalogue: $rows (members: $members)"
[ "$rows" -eq "$members" ] || { echo "member rows missing" >&2; exit 1; }

cat > "$work/run.sh" <<EOF
#!/bin/sh
ORDANO_HOME="\$1" exec "$bin" --yes "/O:$work/out" /F:c.txt "$work/tree" >/dev/null 2>&1
EOF
chmod +x "$work/run.sh"
zip="$work/tree/many.zip"
hyperfine --warmup 2 --runs 10 --export-json "$work/h.json" \
  -n ordanou "$work/run.sh $work/on" \
  -n bsdtar "bsdtar -tvf $zip > /dev/null" \
  -n ordanou-tz "TZ=:/etc/localtime $work/run.sh $work/on" \
  -n bsdtar-tz "TZ=:/etc/localtime bsdtar -tvf $zip > /dev/null" \
  -n ordanou-off "$work/run.sh $work/off"
# Without TZ in the environment glibc checks the zone file at every time
# conversion, once per member in libarchive and in bsdtar alike; the -tz lines
# show both without that cost. ordanou-off is the same catalogue without members.
python3 - "$work/h.json" <<'PY'
import json, sys
r = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
print("median ordanou %.3f s, bsdtar %.3f s; with TZ set %.3f s, %.3f s; members off %.3f s"
      % (r["ordanou"], r["bsdtar"], r["ordanou-tz"], r["bsdtar-tz"], r["ordanou-off"]))
print("ratio ordanou/bsdtar = %.2f, with TZ set = %.2f"
      % (r["ordanou"] / r["bsdtar"], r["ordanou-tz"] / r["bsdtar-tz"]))
PY
