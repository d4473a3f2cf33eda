#!/usr/bin/env bash
# --verify of a FILES-file tree with MD5 against a fresh MD5 catalogue of it.
# Usage: bench/verify_vs_catalogue.sh [FILES] [RUNS]   (default 100000 files, 5 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-100000}
runs=${2:-5}
bench_build ordanou
python3 "$here/bench/make_tree.py" "$work/tree" "$files" $((files / 100))
export ORDANO_HOME="$work/home" TZ=UTC
mkdir -p "$work/home" "$work/out"
"$build/ordanou" --yes "/O:$work/out" /F:first.txt "$work/tree" >/dev/null
# ComputeMd5 on in profile 0 (offset 1728 of ordanou.dat).
printf '\x01\x00\x00\x00' | dd of="$work/home/ordanou.dat" bs=1 seek=1728 conv=notrunc status=none
"$build/ordanou" --yes "/O:$work/out" /F:cat.json "$work/tree" >/dev/null
hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$work/result.csv" \
  -n verify "$build/ordanou --verify $work/out/cat.json" \
  -n catalogue "$build/ordanou --yes /O:$work/out /F:fresh.json $work/tree"
awk -F, '$1=="verify"{a=$4} $1=="catalogue"{b=$4}
  END{printf "median verify %.3f s, catalogue %.3f s: ratio %.2f (target <= 1.1)\n", a, b, a/b}' "$work/result.csv"
