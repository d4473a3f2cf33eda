#!/usr/bin/env bash
# The library on a PostgreSQL server beside the SQLite file: ROWS synthetic
# rows stored through StoreTree by ordano_library_store into each (one tree,
# one transaction: COPY on the server), then --find of one selective name, of
# a two-character Japanese fragment and of two ASCII characters on each, side
# by side. The server is the tests' own (tests/pg_server.sh: initdb and
# pg_ctl into a folder under /tmp, on a Unix socket, fsync off), stopped on exit.
# Usage: bench/library_postgres.sh [ROWS] [RUNS] [ADD_RUNS]
#        (default 1000000 rows, 7 runs of each find, 3 of each add)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rows=${1:-1000000}
runs=${2:-7}
runs_add=${3:-3}
bench_build ordanou ordano_library_store
"$here/tests/pg_server.sh" start "$work/pg"
trap '"$here/tests/pg_server.sh" stop "$work/pg"; bench_cleanup' EXIT
if [ ! -f "$work/pg/ready" ]; then
  echo "no PostgreSQL server: $(cat "$work/pg/unavailable")" >&2
  exit 1
fi
socket=$(cat "$work/pg/ready")
server="postgresql:///bench?host=$socket&user=ordano"
export ORDANO_HOME="$work/home" TZ=UTC LC_ALL=C.UTF-8
mkdir -p "$work/home"
# Each add into a fresh library: the first rows of a volume, one snapshot.
# The server's processes are sampled meanwhile for their CPU time (the
# client's is hyperfine's user and system time).
owner=$(stat -c %U "$socket")
# /proc/PID/stat after the command's name: utime and stime are the 12th and 13th fields, in ticks.
ticks=$(getconf CLK_TCK)
(while :; do
  for pid in $(pgrep -u "$owner"); do
    sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null | awk -v p="$pid" -v t="$ticks" '{print p, ($12+$13)/t}' ||
      true  # gone meanwhile
  done
  sleep 0.2
done) >"$work/cpu.txt" &
sampler=$!
hyperfine --style basic --runs "$runs_add" --export-csv "$work/add.csv" \
  --prepare "rm -f $work/library.sqlite" \
  -n file "$build/bench/ordano_library_store $work/library.sqlite $rows 1" \
  --prepare "psql -q -h $socket -U ordano -d postgres -c 'DROP DATABASE IF EXISTS bench' -c 'CREATE DATABASE bench'" \
  -n server "$build/bench/ordano_library_store '$server' $rows 1"
kill "$sampler" 2>/dev/null || true
server_cpu=$(awk '{if(!($1 in lo))lo[$1]=$2; hi[$1]=$2} END{for(p in hi)s+=hi[p]-lo[p]; print s}' "$work/cpu.txt")
awk -F, -v rows="$rows" -v cpu="$server_cpu" -v runs="$runs_add" 'NR>1{
  printf "add %s: median %.2f s, %.0f rows/s; the client %.2f s of CPU", $1, $4, rows/$4, $5+$6
  if ($1=="server") printf ", the server %.1f s (about; all its processes, sampled): %.0f rows/s of CPU on the busier side", cpu/runs, rows/((cpu/runs > $5+$6) ? cpu/runs : $5+$6)
  printf "\n"}' "$work/add.csv"
psql -q -h "$socket" -U ordano -d bench -c "VACUUM ANALYZE"
size=$(psql -At -h "$socket" -U ordano -d bench -c "SELECT pg_database_size('bench')")
echo "bytes/row: server $((size / rows)) (the whole database), file $(($(stat -c %s "$work/library.sqlite") / rows))"
hyperfine --style basic --warmup 2 --runs "$runs" -N -i --output=pipe --export-csv "$work/find.csv" \
  -n file-selective "$build/ordanou --library $work/library.sqlite --find file_0123456" \
  -n server-selective "$build/ordanou --library $server --find file_0123456" \
  -n file-japanese "$build/ordanou --library $work/library.sqlite --find 写真" \
  -n server-japanese "$build/ordanou --library $server --find 写真" \
  -n file-two-ascii "$build/ordanou --library $work/library.sqlite --find 12 --ext zip" \
  -n server-two-ascii "$build/ordanou --library $server --find 12 --ext zip"
awk -F, 'NR>1{printf "%s %.1f ms (user %.1f, sys %.1f)\n", $1, $4*1000, $5*1000, $6*1000}' "$work/find.csv"
