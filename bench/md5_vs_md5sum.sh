#!/usr/bin/env bash
# MD5 against md5sum with a warm cache, side by side in one hyperfine run.
# Usage: bench/md5_vs_md5sum.sh [file] [RUNS]
#          one 1 GiB file: ordano_md5file (the catalogue's digest routine)
#          against md5sum
#        bench/md5_vs_md5sum.sh tree [RUNS]
#          1,000 files of 512 KiB in 20 folders: the catalogue with MD5 on
#          (digests on one worker per core) against one md5sum process over
#          the same files; ORDANO_THREADS=1 shows the run without workers
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
mode=${1:-file}
runs="${2:-10}"
bench_build ordano_md5file ordanou
command -v hyperfine >/dev/null || { echo "hyperfine missing: scripts/deps.sh --bench" >&2; exit 1; }
echo "cores: $(nproc)"

if [ "$mode" = tree ]; then
  python3 - "$work/tree" <<'PY'
import os, sys
for i in range(1000):
    d = os.path.join(sys.argv[1], "d%02d" % (i % 20))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%04d.bin" % i), "wb") as f:
        f.write(os.urandom(524288))
PY
  mkdir -p "$work/home" "$work/out"
  export ORDANO_HOME="$work/home"
  "$build/ordanou" --yes "/O:$work/out" /F:c.txt "$work/tree" >/dev/null
  # ComputeMd5 (byte 1728 of the settings) on.
  python3 - "$work/home/ordanou.dat" <<'PY'
import struct, sys
b = bytearray(open(sys.argv[1], "rb").read())
struct.pack_into("<i", b, 1728, 1)
open(sys.argv[1], "wb").write(b)
PY
  # Same digests first (every md5sum line's digest is in the catalogue).
  "$build/ordanou" --yes "/O:$work/out" /F:c.txt "$work/tree" >/dev/null
  iconv -f UTF-16LE -t UTF-8 "$work/out/c.txt" > "$work/c.utf8"
  missing=$(md5sum "$work"/tree/*/*.bin | cut -d' ' -f1 | grep -cvFf <(grep -o '[0-9a-f]\{32\}' "$work/c.utf8") || true)
  [ "$missing" -eq 0 ] || { echo "$missing digests of md5sum are not in the catalogue" >&2; exit 1; }
  cat "$work"/tree/*/*.bin >/dev/null
  hyperfine --style basic --warmup 1 --runs "$runs" --export-json "$work/h.json" \
    -n ordanou "$build/ordanou --yes /O:$work/out /F:c.txt $work/tree" \
    -n ordanou-1thread "ORDANO_THREADS=1 $build/ordanou --yes /O:$work/out /F:c.txt $work/tree" \
    -n md5sum "md5sum $work/tree/*/*.bin > /dev/null"
  python3 - "$work/h.json" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
for name, x in r.items():
    print("median %s: %.3f s (CPU %.3f s)" % (name, x["median"], x["user"] + x["system"]))
print("md5 tree: throughput ratio (md5sum time / ours) = %.2f, without workers = %.2f"
      % (r["md5sum"]["median"] / r["ordanou"]["median"],
         r["md5sum"]["median"] / r["ordanou-1thread"]["median"]))
PY
  exit 0
fi

ours="$build/bench/ordano_md5file"
file="$work/1GiB.bin"
head -c 1073741824 /dev/urandom >"$file"
# Same answer first, then warm the cache.
a="$("$ours" "$file" | cut -d' ' -f1)"
b="$(md5sum "$file" | cut -d' ' -f1)"
if [ "$a" != "$b" ]; then echo "digests differ: ours $a, md5sum $b" >&2; exit 1; fi
cat "$file" >/dev/null

hyperfine --style basic --warmup 2 --runs "$runs" --export-csv "$work/result.csv" \
  -n ordano_md5file "$ours '$file'" -n md5sum "md5sum '$file'"

# CSV columns: command,mean,stddev,median,user,system,min,max
awk -F, '
  $1 == "ordano_md5file" { ours = $4 }
  $1 == "md5sum" { ref = $4 }
  END {
    printf "median ordano_md5file: %.3f s (%.3f GiB/s)\n", ours, 1 / ours
    printf "median md5sum:         %.3f s (%.3f GiB/s)\n", ref, 1 / ref
    printf "md5 file: throughput ratio (md5sum time / ours) = %.3f\n", ref / ours
  }' "$work/result.csv"
