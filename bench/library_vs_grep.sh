#!/usr/bin/env bash
# The library: --add of a FILES-file tree (rows/s, bytes per row on disk) and
# --find against grep -F over a plain list of the same names.
# Usage: bench/library_vs_grep.sh [FILES] [RUNS]   (default 100000 files, 7 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-100000}
runs=${2:-7}
bench_build ordanou
python3 "$here/bench/make_tree.py" "$work/tree" "$files" $((files / 100)) >/dev/null
export ORDANO_HOME="$work/home" TZ=UTC ORDANO_LIBRARY="$work/library.sqlite"
mkdir -p "$work/home" "$work/out"
find "$work/tree" -type f -printf '%f\n' >"$work/names.txt"
# Each add makes a fresh library: the first rows of a volume, one snapshot.
hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$work/add.csv" \
  --prepare "rm -f $work/library.sqlite" \
  -n add "$build/ordanou --add $work/tree" \
  -n catalogue "$build/ordanou --yes /O:$work/out /F:cat.txt $work/tree"
# (--prepare ran before the catalogue runs too: one more add for the size.)
rm -f "$work/library.sqlite"
"$build/ordanou" --add "$work/tree" >/dev/null
bytes=$(stat -c %s "$work/library.sqlite")
awk -F, -v files="$files" -v bytes="$bytes" '$1=="add"{a=$4} $1=="catalogue"{c=$4}
  END{printf "add %.3f s (%.0f rows/s; the catalogue run alone %.3f s, storing %.0f rows/s), %.0f bytes/row\n",
      a, files/a, c, files/(a-c), bytes/files}' "$work/add.csv"
hyperfine --style basic --warmup 2 --runs "$runs" -N --export-csv "$work/find.csv" \
  -n start "$build/ordanou --version" \
  -n selective "$build/ordanou --find file_012345" \
  -n two-chars "$build/ordanou --find 12" \
  -n grep-selective "grep -F file_012345 $work/names.txt" \
  -n grep-two-chars "grep -F 12 $work/names.txt"
awk -F, 'NR>1{m[$1]=$4} END{
  printf "find selective %.1f ms (%.1f ms above start-up), two characters %.1f ms (%.1f above); grep -F %.1f / %.1f ms\n",
    m["selective"]*1000, (m["selective"]-m["start"])*1000, m["two-chars"]*1000,
    (m["two-chars"]-m["start"])*1000, m["grep-selective"]*1000, m["grep-two-chars"]*1000}' "$work/find.csv"
