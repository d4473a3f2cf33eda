#!/usr/bin/env bash
# The PostgreSQL server of the library tests (a CTest fixture):
#   pg_server.sh start STATE   initdb and pg_ctl into a new folder under /tmp, on a Unix
#                              socket there only; STATE/ready then holds that folder, or
#                              STATE/unavailable says why there is no server (the tests skip)
#   pg_server.sh stop STATE    stops it at once and removes both
# Run as root, the server runs as nobody (PostgreSQL refuses root).
set -u
cmd=${1:?start or stop} state=${2:?state folder}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
as=()
[ "$(id -u)" -eq 0 ] && as=(runuser -u nobody --)

unavailable() {
  echo "$1" >"$state/unavailable"
  echo "PostgreSQL cases will skip: $1" >&2
  exit 0
}

case $cmd in
  start)
    rm -rf "$state" && mkdir -p "$state"
    [ -n "$bin" ] && [ -x "$bin/initdb" ] ||
      unavailable "no PostgreSQL server installed (Debian package postgresql)"
    # A short path: the socket's name must fit in 107 bytes.
    dir=$(mktemp -d /tmp/ordano-pg-XXXXXX) || unavailable "no temporary folder"
    echo "$dir" >"$state/folder"
    [ ${#as[@]} -gt 0 ] && chown nobody "$dir"
    "${as[@]}" "$bin/initdb" -D "$dir/data" -A trust -E UTF8 --locale=C.UTF-8 --no-sync \
      -U ordano >"$state/initdb.log" 2>&1 ||
      unavailable "initdb failed: $(tail -n 1 "$state/initdb.log")"
    # No durability needed: the data goes with the folder.
    "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 -o \
      "-k $dir -c listen_addresses='' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
      start >/dev/null 2>&1 ||
      unavailable "the server did not start: $(tail -n 1 "$dir/server.log" 2>/dev/null)"
    echo "$dir" >"$state/ready"
    ;;
  stop)
    dir=$(cat "$state/folder" 2>/dev/null) || exit 0
    if [ -n "$bin" ] && [ -f "$dir/data/postmaster.pid" ]; then
      "${as[@]}" "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1
    fi
    rm -rf "$dir" "$state"
    ;;
esac
