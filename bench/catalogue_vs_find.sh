#!/usr/bin/env bash
# Text catalogue of a large tree against find printing the same facts and ncdu
# reading every size (single-threaded), side by side, and the JSON catalogue of
# the same tree against the text catalogue.
# Usage: bench/catalogue_vs_find.sh [FILES] [FOLDERS]   (default 200000 files in 20000 folders)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-200000}
folders=${2:-20000}
bench_build ordanou
if ! command -v ncdu >/dev/null; then
  apt-get install -y ncdu >/dev/null 2>&1 || sudo -n apt-get install -y ncdu >/dev/null
fi
echo "cores: $(nproc), load: $(cut -d' ' -f1-3 /proc/loadavg)"
bin="$build/ordanou"

python3 "$here/bench/make_tree.py" "$work/tree" "$files" "$folders"
# The new tree's writeback would otherwise run during the timed runs.
sync
mkdir -p "$work/out" "$work/home"
export ORDANO_HOME="$work/home"
# Warm the cache and write the first-start settings.
find "$work/tree" >/dev/null
"$bin" --yes "/O:$work/out" /F:c.txt "$work/tree" >/dev/null

hyperfine --warmup 2 --runs 10 --export-json "$work/h.json" \
  -n ordanou "$bin --yes /O:$work/out /F:c.txt $work/tree" \
  -n find "find $work/tree -printf '%p %s %TY.%Tm.%Td %TH:%TM:%TS\n' > /dev/null" \
  -n find-tz "TZ=:/etc/localtime find $work/tree -printf '%p %s %TY.%Tm.%Td %TH:%TM:%TS\n' > /dev/null" \
  -n ordanou-tz "TZ=:/etc/localtime $bin --yes /O:$work/out /F:c.txt $work/tree" \
  -n ordanou-tz-1 "TZ=:/etc/localtime ORDANO_THREADS=1 $bin --yes /O:$work/out /F:c.txt $work/tree" \
  -n ordanou-json-tz "TZ=:/etc/localtime $bin --yes /O:$work/out /F:c.json $work/tree" \
  -n ncdu "ncdu -0 -x -o /dev/null $work/tree"
# Without TZ in the environment glibc re-reads the zone file for every time find
# prints; the find-tz line shows find without that cost, for a fair second ratio.
python3 - "$work/h.json" <<'PY'
import json, sys
r = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
print("median ordanou %.3f s, find %.3f s, find with TZ set %.3f s"
      % (r["ordanou"], r["find"], r["find-tz"]))
print("median with TZ set: ordanou %.3f s, JSON catalogue %.3f s"
      % (r["ordanou-tz"], r["ordanou-json-tz"]))
print("ratio ordanou/find = %.2f, ordanou/find-tz = %.2f (both with TZ set: %.2f)"
      % (r["ordanou"] / r["find"], r["ordanou"] / r["find-tz"], r["ordanou-tz"] / r["find-tz"]))
print("ratio json/text (whole run) = %.2f" % (r["ordanou-json-tz"] / r["ordanou-tz"]))
print("median ncdu -0 -x -o /dev/null %.3f s; ratio ordanou-tz/ncdu = %.2f"
      % (r["ncdu"], r["ordanou-tz"] / r["ncdu"]))
print("one thread (ORDANO_THREADS=1), TZ set: median %.3f s; ratio ordanou-tz-1/ncdu = %.2f"
      % (r["ordanou-tz-1"], r["ordanou-tz-1"] / r["ncdu"]))
# Newer hyperfine keeps each run's user and system time (medians then); older
# ones only their means.
import statistics
runs = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
def cpu(name, key):
    v = runs[name][key]
    return statistics.median(v) if isinstance(v, list) else v
for name in ("ordanou-tz", "ordanou-tz-1", "ncdu", "find-tz"):
    print("times %s: user %.3f s, system %.3f s" % (name, cpu(name, "user"), cpu(name, "system")))
print("ratio system ordanou-tz/ncdu = %.2f" % (cpu("ordanou-tz", "system") / cpu("ncdu", "system")))
PY
