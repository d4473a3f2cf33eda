#!/usr/bin/env bash
# The window's figures, offscreen: a drop run of a large tree through the window
# against the command-line run of the same tree, and start-up to the first
# shown window (median of 10).
# Usage: bench/window_vs_cli.sh [FILES] [FOLDERS]   (default 200000 files in 20000 folders)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-200000}
folders=${2:-20000}
bench_build ordanou ordano_window_bench
bin="$build/ordanou"
win="QT_QPA_PLATFORM=offscreen $build/bench/ordano_window_bench"

python3 "$here/bench/make_tree.py" "$work/tree" "$files" "$folders"
mkdir -p "$work/out" "$work/home"
export ORDANO_HOME="$work/home"
find "$work/tree" >/dev/null
"$bin" --yes "/O:$work/out" /F:c.txt "$work/tree" >/dev/null

hyperfine --warmup 2 --runs 10 --export-json "$work/h.json" \
  -n cli "$bin --yes /O:$work/out /F:c.txt $work/tree" \
  -n window "$win --drop $work/tree $work/out/w.txt" \
  -n startup "$win --startup"
cmp "$work/out/c.txt" "$work/out/w.txt" \
  && echo "the window wrote the same catalogue as the command line"
python3 - "$work/h.json" <<'PY'
import json, sys
r = {x["command"]: x["median"] for x in json.load(open(sys.argv[1]))["results"]}
print("median cli %.3f s, window drop run (whole process) %.3f s: ratio %.2f"
      % (r["cli"], r["window"], r["window"] / r["cli"]))
print("median start-up to first shown window and exit: %.0f ms" % (r["startup"] * 1000))
PY
# The drop run alone, inside the window process (no start-up, no exit).
for i in 1 2 3; do QT_QPA_PLATFORM=offscreen "$build/bench/ordano_window_bench" --drop "$work/tree" "$work/out/w.txt"; done
