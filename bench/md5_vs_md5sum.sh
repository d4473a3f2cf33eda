#!/usr/bin/env bash
# Times ordano_md5file against md5sum on a 1 GiB file with a warm cache.
# Usage: bench/md5_vs_md5sum.sh [path/to/ordano_md5file] [runs]
# Default binary: build/bench/ordano_md5file (built here when missing).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
ours="${1:-$build/bench/ordano_md5file}"
if [ -z "${1:-}" ]; then bench_build ordano_md5file; fi
runs="${2:-10}"
command -v hyperfine >/dev/null || { echo "hyperfine missing: scripts/deps.sh --bench" >&2; exit 1; }
[ -x "$ours" ] || { echo "not built: $ours (configure with -DORDANO_BENCH=ON, Release)" >&2; exit 1; }

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
    printf "ratio (md5sum time / ours): %.3f\n", ref / ours
  }' "$work/result.csv"
