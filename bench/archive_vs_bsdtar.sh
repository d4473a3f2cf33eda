#!/usr/bin/env bash
# Listing the members of an archive: a catalogue with ExpandArchives on against
# bsdtar -tvf on the same archive, side by side.
# Usage: bench/archive_vs_bsdtar.sh [zip [MEMBERS] | 7z | tar.gz]
#   zip     a zip of MEMBERS small deflated members (default 100000)
#   7z      a 7z of /usr/include, and a 7z holding one 5 GiB member of zeros
#   tar.gz  a gzip-compressed tar of /usr/include
# ORDANO_BUILD_DIR chooses the build folder (default: build, Release).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
mode=zip
if [ $# -gt 0 ] && ! [[ "$1" =~ ^[0-9]+$ ]]; then
  mode=$1
  shift
fi
bench_build ordanou
bin="$build/ordanou"
mkdir -p "$work/tree" "$work/out" "$work/on" "$work/off"

archives=()
case "$mode" in
  zip)
    members=${1:-100000}
    # Small deflated members in 100 folders, as a source tree packed by a zip tool.
    python3 - "$work/tree/many.zip" "$members" <<'PY'
import sys, zipfile
path, n = sys.argv[1], int(sys.argv[2])
with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
    for i in range(n):
        z.writestr("d%03d/file%06d.txt" % (i * 100 // n, i), ("line %d\n" % i) * (1 + i % 5))
PY
    archives=(many.zip)
    ;;
  7z)
    command -v 7z >/dev/null || { echo "7z (p7zip-full) is not installed" >&2; exit 1; }
    (cd /usr && 7z a -bd -snl "$work/tree/include.7z" include >/dev/null)
    # One member of 5 GiB of zeros: its CRC is in the headers, nothing to unpack.
    head -c $((5 << 30)) /dev/zero | 7z a -bd -si"zeros.img" "$work/tree/big.7z" >/dev/null
    archives=(include.7z big.7z)
    ;;
  tar.gz)
    tar -C /usr -czf "$work/tree/include.tar.gz" include
    archives=(include.tar.gz)
    ;;
  *)
    echo "unknown mode $mode (zip, 7z, tar.gz)" >&2
    exit 2
    ;;
esac
# Each archive alone in a folder of its own.
for a in "${archives[@]}"; do
  mkdir -p "$work/one-$a"
  mv "$work/tree/$a" "$work/one-$a/"
  echo "$a: $(stat -c %s "$work/one-$a/$a") bytes"
done

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

cat > "$work/run.sh" <<EOF
#!/bin/sh
ORDANO_HOME="\$1" exec "$bin" --yes "/O:$work/out" /F:c.txt "\$2" >/dev/null 2>&1
EOF
chmod +x "$work/run.sh"
for a in "${archives[@]}"; do
  path="$work/one-$a/$a"
  ORDANO_HOME="$work/on" "$bin" --yes "/O:$work/out" /F:on.txt "$work/one-$a" >/dev/null 2>&1
  rows=$(iconv -f UTF-16LE -t UTF-8 "$work/out/on.txt" | grep -c "^$a (L" || true)
  # Every member but folders, as bsdtar lists them.
  expected=$(bsdtar -tvf "$path" | grep -vc '^d' || true)
  echo "$a: member rows in the catalogue: $rows (bsdtar: $expected)"
  [ "$rows" -eq "$expected" ] || { echo "member rows differ from bsdtar's" >&2; exit 1; }

  hyperfine --warmup 2 --runs 10 --export-json "$work/h.json" \
    -n ordanou "$work/run.sh $work/on $work/one-$a" \
    -n bsdtar "bsdtar -tvf $path > /dev/null" \
    -n ordanou-tz "TZ=:/etc/localtime $work/run.sh $work/on $work/one-$a" \
    -n bsdtar-tz "TZ=:/etc/localtime bsdtar -tvf $path > /dev/null" \
    -n ordanou-off "$work/run.sh $work/off $work/one-$a"
  # Without TZ in the environment glibc checks the zone file at every time
  # conversion, once per member in libarchive and in bsdtar alike; the -tz lines
  # show both without that cost. ordanou-off is the same catalogue without members.
  python3 - "$work/h.json" "$a" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
r = {x["command"]: x["median"] for x in results}
# CPU time (user + system, mean) holds still when other work shares the machine.
cpu = {x["command"]: x["user"] + x["system"] for x in results}
print("%s: median ordanou %.3f s, bsdtar %.3f s; with TZ set %.3f s, %.3f s; members off %.3f s"
      % (sys.argv[2], r["ordanou"], r["bsdtar"], r["ordanou-tz"], r["bsdtar-tz"], r["ordanou-off"]))
print("%s: ratio ordanou/bsdtar = %.2f, with TZ set = %.2f; CPU time %.3f s against %.3f s: %.2f"
      % (sys.argv[2], r["ordanou"] / r["bsdtar"], r["ordanou-tz"] / r["bsdtar-tz"],
         cpu["ordanou"], cpu["bsdtar"], cpu["ordanou"] / cpu["bsdtar"]))
PY
done
