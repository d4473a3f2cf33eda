#!/usr/bin/env bash
# The library at ten million rows: synthetic rows stored through StoreTree by
# ordano_library_store (ten trees of one offline volume, names as
# make_tree.py makes them, with seven digits), then --find against grep -F
# over a plain list of the same names. About 1.3 GB of library and 200 MB of
# names, removed on exit.
# Usage: bench/library_big.sh [ROWS] [RUNS]   (default 10000000 rows, 7 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rows=${1:-10000000}
runs=${2:-7}
bench_build ordanou ordano_library_store
export ORDANO_HOME="$work/home" TZ=UTC LC_ALL=C.UTF-8
mkdir -p "$work/home" "$work/empty"
/usr/bin/time -f "store: %e s wall, %U s user, %M KB peak" \
  "$build/bench/ordano_library_store" "$work/big.sqlite" "$rows" 10 "$work/names.txt"
echo "$(($(stat -c %s "$work/big.sqlite") / rows)) bytes/row"
"$build/ordanou" --library "$work/empty.sqlite" --add "$work/empty" >/dev/null
# Start-up: a query without hits on an empty library (output to a pipe: grep
# stops at its first hit when it writes to /dev/null). The selective name is
# the one with number 0123456 (one hit).
hyperfine --style basic --warmup 2 --runs "$runs" -N -i --output=pipe --export-csv "$work/find.csv" \
  -n start "$build/ordanou --library $work/empty.sqlite --find nothing" \
  -n selective "$build/ordanou --library $work/big.sqlite --find file_0123456" \
  -n grep-selective "grep -F file_0123456 $work/names.txt"
awk -F, 'NR>1{m[$1]=$4} END{
  s=m["start"]*1000
  printf "start-up %.1f ms; find selective %.1f ms (%.1f above start-up); grep -F %.1f ms\n",
    s, m["selective"]*1000, m["selective"]*1000-s, m["grep-selective"]*1000}' "$work/find.csv"
