#!/usr/bin/env bash
# The library: --add of a FILES-file tree (rows/s, bytes per row on disk),
# --find and --duplicates, against grep -F over a plain list of the same names
# and plocate over an index of the same tree (when it is installed).
# Usage: bench/library_vs_grep.sh [FILES] [RUNS]   (default 100000 files, 7 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-100000}
runs=${2:-7}
bench_build ordanou
python3 "$here/bench/make_tree.py" "$work/tree" "$files" $((files / 100)) >/dev/null
export ORDANO_HOME="$work/home" TZ=UTC ORDANO_LIBRARY="$work/library.sqlite" LC_ALL=C.UTF-8
mkdir -p "$work/home" "$work/out" "$work/empty"
find "$work/tree" -type f -printf '%f\n' >"$work/names.txt"
# Each add makes a fresh library: the first rows of a volume, one snapshot.
hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$work/add.csv" \
  --prepare "rm -f $work/library.sqlite" \
  -n add "$build/ordanou --add $work/tree" \
  -n catalogue "$build/ordanou --yes /O:$work/out /F:cat.txt $work/tree"
# (--prepare ran before the catalogue runs too: one more add for the size.)
rm -f "$work/library.sqlite"
"$build/ordanou" --add "$work/tree" >/dev/null
"$build/ordanou" --library "$work/empty.sqlite" --add "$work/empty" >/dev/null
bytes=$(stat -c %s "$work/library.sqlite")
awk -F, -v files="$files" -v bytes="$bytes" '$1=="add"{a=$4} $1=="catalogue"{c=$4}
  END{printf "add %.3f s (%.0f rows/s; the catalogue run alone %.3f s, storing %.0f rows/s), %.0f bytes/row\n",
      a, files/a, c, files/(a-c), bytes/files}' "$work/add.csv"
peers=(-n grep-selective "grep -F file_012345 $work/names.txt"
  -n grep-japanese "grep -F 写真 $work/names.txt")
if command -v updatedb.plocate >/dev/null && command -v plocate >/dev/null; then
  updatedb.plocate -l 0 -U "$work/tree" -o "$work/plocate.db"
  peers+=(-n plocate-selective "plocate -b -d $work/plocate.db file_012345"
    -n plocate-japanese "plocate -b -d $work/plocate.db 写真")
fi
# With --md5 every file with the same size is a copy (99 % of them).
"$build/ordanou" --library "$work/md5.sqlite" --add --md5 "$work/tree" >/dev/null
# Start-up: a query without hits on an empty library. The output goes to a
# pipe: grep stops at its first hit when it writes to /dev/null.
hyperfine --style basic --warmup 2 --runs "$runs" -N -i --output=pipe --export-csv "$work/find.csv" \
  -n start "$build/ordanou --library $work/empty.sqlite --find nothing" \
  -n selective "$build/ordanou --find file_012345" \
  -n japanese "$build/ordanou --find 写真" \
  -n two-ascii "$build/ordanou --find 12" \
  -n duplicates "$build/ordanou --duplicates" \
  -n duplicates-md5 "$build/ordanou --library $work/md5.sqlite --duplicates" "${peers[@]}"
awk -F, 'NR>1{m[$1]=$4} END{
  s=m["start"]*1000
  printf "start-up %.1f ms; find selective %.1f ms (%.1f above start-up), Japanese two characters %.1f ms (%.1f above), ASCII two characters %.1f ms (%.1f above); duplicates %.2f s, with MD5 %.2f s\n",
    s, m["selective"]*1000, m["selective"]*1000-s, m["japanese"]*1000, m["japanese"]*1000-s,
    m["two-ascii"]*1000, m["two-ascii"]*1000-s, m["duplicates"], m["duplicates-md5"]
  printf "grep -F %.1f / %.1f ms", m["grep-selective"]*1000, m["grep-japanese"]*1000
  if ("plocate-selective" in m) printf "; plocate -b %.1f / %.1f ms", m["plocate-selective"]*1000, m["plocate-japanese"]*1000
  printf "\n"}' "$work/find.csv"
