#!/usr/bin/env bash
# The library on a PostgreSQL server beside the SQLite file: ROWS synthetic
# rows stored through StoreTree by ordano_library_store into each (one tree,
# one transaction: COPY on the server), then --find of one selective name, of
# a two-character Japanese fragment and of two ASCII characters on each, side
# by side. The server is the tests' own (tests/pg_server.sh: initdb and
# pg_ctl into a folder under /tmp, on a Unix socket, fsync off), stopped on exit.
# Usage: bench/library_postgres.sh [ROWS] [RUNS]   (default 1000000 rows, 7 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rows=${1:-1000000}
runs=${2:-7}
bench_build ordanou ordano_library_store
"$here/tests/pg_server.sh" start "$work/pg"
trap '"$here/tests/pg_server.sh" stop "$work/pg"; bench_cleanup' EXIT
if [ ! -f "$work/pg/ready" ]; then
  echo "no PostgreSQL server: $(cat "$work/pg/unavailable")" >&2
  exit 1
fi
socket=$(cat "$work/pg/ready")
psql -q -h "$socket" -U ordano -d postgres -c "CREATE DATABASE bench"
server="postgresql:///bench?host=$socket&user=ordano"
export ORDANO_HOME="$work/home" TZ=UTC LC_ALL=C.UTF-8
mkdir -p "$work/home"
# The server's own CPU time: what its processes used while the add ran.
server_cpu() { ps -u "$(stat -c %U "$socket")" -o cputimes= | awk '{s+=$1} END{print s+0}'; }
for store in file server; do
  library=$([ "$store" = file ] && echo "$work/library.sqlite" || echo "$server")
  before=$(server_cpu)
  /usr/bin/time -f "$store: %e s wall, %U s user, %S s sys (the client)" \
    "$build/bench/ordano_library_store" "$library" "$rows" 1
  echo "$store: the server's processes $(($(server_cpu) - before)) s of CPU"
done
psql -q -h "$socket" -U ordano -d bench -c "VACUUM ANALYZE"
echo "server: $(psql -At -h "$socket" -U ordano -d bench -c \
  "SELECT pg_database_size('bench') / $rows") bytes/row; file: $(($(stat -c %s "$work/library.sqlite") / rows)) bytes/row"
hyperfine --style basic --warmup 2 --runs "$runs" -N -i --output=pipe --export-csv "$work/find.csv" \
  -n file-selective "$build/ordanou --library $work/library.sqlite --find file_0123456" \
  -n server-selective "$build/ordanou --library $server --find file_0123456" \
  -n file-japanese "$build/ordanou --library $work/library.sqlite --find 写真" \
  -n server-japanese "$build/ordanou --library $server --find 写真" \
  -n file-two-ascii "$build/ordanou --library $work/library.sqlite --find 12 --ext zip" \
  -n server-two-ascii "$build/ordanou --library $server --find 12 --ext zip"
awk -F, 'NR>1{printf "%s %.1f ms (user %.1f, sys %.1f)\n", $1, $4*1000, $5*1000, $6*1000}' "$work/find.csv"
