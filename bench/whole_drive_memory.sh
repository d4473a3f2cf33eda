#!/usr/bin/env bash
# Peak memory of a whole-drive run of a file system holding FILES files (default
# 1,000,000), beside the command-line run of the same tree. As root the tree is
# a tmpfs mounted for the run; otherwise a folder stands in for the drive.
# Usage: bench/whole_drive_memory.sh [FILES] [FOLDERS]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-1000000}
folders=${2:-50000}
bench_build ordanou ordano_whole_drive

drive="$work/drive"
mkdir -p "$drive" "$work/out" "$work/home"
if [ "$(id -u)" -eq 0 ] && mount -t tmpfs -o size=6g,nr_inodes=2m ordano-bench "$drive"; then
  bench_cleanup() { umount "$drive" 2>/dev/null || true; rm -rf "$work"; }
  echo "drive: a tmpfs mounted at $drive"
else
  echo "drive: the folder $drive (not root: no mount)"
fi
python3 "$here/bench/make_tree.py" "$drive" "$files" "$folders"
export ORDANO_HOME="$work/home"

peak() { awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$1"; }
wall() { awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$1"; }
/usr/bin/time -v "$build/bench/ordano_whole_drive" "$drive" "$work/out/drive.txt" 2>"$work/wd.txt"
/usr/bin/time -v "$build/ordanou" --yes "/O:$work/out" /F:cli.txt "$drive" 2>"$work/cli.txt" >/dev/null
lines=$(( $(iconv -f UTF-16LE -t UTF-8 "$work/out/drive.txt" | wc -l) ))
kb=$(peak "$work/wd.txt")
echo "whole drive: files $files, catalogue lines $lines, peak RSS $kb KiB ($(( kb * 1024 / files )) bytes per file), wall $(wall "$work/wd.txt")"
kb=$(peak "$work/cli.txt")
echo "command line, same tree: peak RSS $kb KiB ($(( kb * 1024 / files )) bytes per file), wall $(wall "$work/cli.txt")"
