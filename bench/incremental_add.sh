#!/usr/bin/env bash
# Adding a tree again when the library holds its digests: --add --md5 of an
# unchanged tree against --add without MD5 and against an --add --md5 that
# reads every file, and an --add --md5 resumed after one was killed with
# about half of its digests kept. make_tree.py's files hold at most 96 bytes,
# so reading them costs little beside the walk: the resumed add is measured
# on a second tree as well, of BIG files of 256 KiB (1 GiB by default), where
# the digests are the work. TMPDIR=/dev/shm keeps both trees in memory.
# Usage: bench/incremental_add.sh [FILES] [RUNS] [BIG]   (default 200000 files, 5 runs, 4096)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-200000}
runs=${2:-5}
big=${3:-4096}
bench_build ordanou
python3 "$here/bench/make_tree.py" "$work/tree" "$files" $((files / 100)) >/dev/null
python3 - "$work/big" "$big" <<'EOF'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
for i in range(count):
    d = os.path.join(root, "d%03d" % (i // 100))
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, "f%06d.bin" % i), "wb") as f:
        f.write(os.urandom(262144))
EOF
export ORDANO_HOME="$work/home" TZ=UTC LC_ALL=C.UTF-8
mkdir -p "$work/home"
o="$build/ordanou"
# The libraries each run starts from: the trees without digests, and with them.
"$o" --library "$work/plain.sqlite" --add "$work/tree" >/dev/null
"$o" --library "$work/md5.sqlite" --add --md5 "$work/tree" >/dev/null
"$o" --library "$work/bigplain.sqlite" --add "$work/big" >/dev/null
# Half of the digests kept: an add killed once that many are committed, its
# write-ahead log then folded into the file (which is copied below).
half() { # FROM TO TREE COUNT
  cp "$work/$1.sqlite" "$work/$2.sqlite"
  "$o" --library "$work/$2.sqlite" --add --md5 "$3" >/dev/null &
  local pid=$!
  python3 - "$work/$2.sqlite" "$4" "$pid" <<'EOF'
import os, signal, sqlite3, sys, time
path, files, pid = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
kept = 0
def running():  # a child that ended stays a zombie until the shell waits
    try:
        with open("/proc/%d/stat" % pid) as f:
            return f.read().rsplit(")", 1)[1].split()[0] != "Z"
    except OSError:
        return False
while kept < files // 2:
    if not running():
        sys.exit("the add ended with %d of %d digests kept" % (kept, files))
    time.sleep(0.01)
    try:
        with sqlite3.connect(path) as db:
            kept = db.execute("SELECT count(*) FROM digest_kept").fetchone()[0]
    except sqlite3.Error:
        pass
os.kill(pid, signal.SIGKILL)
print("killed with %d of %d digests kept" % (kept, files))
EOF
  wait "$pid" || true
  python3 -c "import sqlite3, sys; sqlite3.connect(sys.argv[1]).execute('PRAGMA wal_checkpoint(TRUNCATE)')" \
    "$work/$2.sqlite"
}
half plain half "$work/tree" "$files"
half bigplain bighalf "$work/big" "$big"
from() { echo "rm -f $work/lib.sqlite-wal $work/lib.sqlite-shm; cp $work/$1.sqlite $work/lib.sqlite"; }
hyperfine --style basic --warmup 1 --runs "$runs" --export-csv "$work/incremental.csv" \
  -n add-without-md5 --prepare "$(from plain)" "$o --library $work/lib.sqlite --add $work/tree" \
  -n unchanged-md5 --prepare "$(from md5)" "$o --library $work/lib.sqlite --add --md5 $work/tree" \
  -n full-md5 --prepare "$(from plain)" "$o --library $work/lib.sqlite --add --md5 $work/tree" \
  -n resumed-md5 --prepare "$(from half)" "$o --library $work/lib.sqlite --add --md5 $work/tree" \
  -n big-full-md5 --prepare "$(from bigplain)" "$o --library $work/lib.sqlite --add --md5 $work/big" \
  -n big-resumed-md5 --prepare "$(from bighalf)" "$o --library $work/lib.sqlite --add --md5 $work/big"
# Columns: command, mean, stddev, median, user, system, min, max.
awk -F, 'NR>1{m[$1]=$4; c[$1]=$5+$6} END{
  printf "add without MD5 %.2f s (CPU %.2f s); unchanged with MD5 %.2f s (CPU %.2f s): %.2fx\n",
    m["add-without-md5"], c["add-without-md5"], m["unchanged-md5"], c["unchanged-md5"],
    m["unchanged-md5"]/m["add-without-md5"]
  printf "full MD5 %.2f s (CPU %.2f s); resumed at half %.2f s (CPU %.2f s): %.2fx\n",
    m["full-md5"], c["full-md5"], m["resumed-md5"], c["resumed-md5"], m["resumed-md5"]/m["full-md5"]
  printf "big files: full MD5 %.2f s (CPU %.2f s); resumed at half %.2f s (CPU %.2f s): %.2fx\n",
    m["big-full-md5"], c["big-full-md5"], m["big-resumed-md5"], c["big-resumed-md5"],
    m["big-resumed-md5"]/m["big-full-md5"]
}' "$work/incremental.csv"
