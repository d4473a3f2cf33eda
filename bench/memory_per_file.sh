#!/usr/bin/env bash
# Peak memory of a text catalogue run per listed file (default 1,000,000 files).
# Usage: bench/memory_per_file.sh [FILES] [FOLDERS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-1000000}
folders=${2:-50000}
bench_build ordanou
echo "cores: $(nproc)"
bin="$build/ordanou"

python3 "$here/bench/make_tree.py" "$work/tree" "$files" "$folders"
mkdir -p "$work/out" "$work/home"
export ORDANO_HOME="$work/home"
/usr/bin/time -v "$bin" --yes "/O:$work/out" /F:c.txt "$work/tree" 2>"$work/time.txt" >/dev/null
kb=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")
wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time.txt")
echo "files: $files, peak RSS: $kb KiB, wall: $wall, bytes per file: $(( kb * 1024 / files ))"
