#!/usr/bin/env bash
# Runs every comparison of the performance notes (docs/PERFORMANCE.md), one script after
# the other, and prints one table of ratios against their targets.
# Usage: bench/compare.sh [NAME...]   (default: all; names as in the table:
#          find md5-tree md5-file memory formats zip 7z tar.gz crawl python-docs)
# ORDANO_BUILD_DIR chooses the build folder (default: build, Release). Each
# script's whole output is kept in the log folder printed at the end.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
logs=$(mktemp -d "${TMPDIR:-/tmp}/ordano-compare.XXXXXX")
all=(find md5-tree md5-file memory formats zip 7z tar.gz crawl python-docs)
wanted=("$@")
[ ${#wanted[@]} -gt 0 ] || wanted=("${all[@]}")

run() {
  local name=$1
  shift
  echo "== $name: $*" >&2
  "$@" >"$logs/$name.log" 2>&1 || echo "SCRIPT FAILED (status $?)" >>"$logs/$name.log"
}
for name in "${wanted[@]}"; do
  case "$name" in
    find) run find "$here/bench/catalogue_vs_find.sh" ;;
    md5-tree) run md5-tree "$here/bench/md5_vs_md5sum.sh" tree ;;
    md5-file) run md5-file "$here/bench/md5_vs_md5sum.sh" file ;;
    memory) run memory "$here/bench/memory_per_file.sh" ;;
    formats) run formats "$here/bench/formats_vs_text.sh" ;;
    zip | 7z | tar.gz) run "$name" "$here/bench/archive_vs_bsdtar.sh" "$name" ;;
    crawl) run crawl "$here/bench/crawl_vs_wget.sh" ;;
    python-docs) run python-docs "$here/bench/crawl_vs_wget.sh" --python-docs ;;
    *) echo "unknown comparison: $name" >&2 ;;
  esac
done

python3 - "$logs" "$(nproc)" <<'PY'
import os, re, sys
logs, cores = sys.argv[1], sys.argv[2]
def log(name):
    p = os.path.join(logs, name + ".log")
    return open(p, errors="replace").read() if os.path.exists(p) else None
# (log, what, pattern, group, target, higher is better)
rows = [
    ("find", "text catalogue / find -printf, TZ set on both", r"both with TZ set: ([\d.]+)", 1, 0.4, False),
    ("find", "text catalogue / find -printf, no TZ", r"ordanou/find = ([\d.]+)", 1, 1.5, False),
    ("find", "text catalogue / ncdu -0 -x -o /dev/null, TZ set", r"ordanou-tz/ncdu = ([\d.]+)", 1, 0.8, False),
    ("find", "system time: text catalogue / ncdu", r"ratio system ordanou-tz/ncdu = ([\d.]+)", 1, 1.1, False),
    ("find", "JSON whole run / text whole run", r"json/text \(whole run\) = ([\d.]+)", 1, 1.1, False),
    ("md5-tree", "md5sum time / ours, 1,000 files of 512 KiB", r"md5 tree: .*= ([\d.]+), without", 1, 1.8, True),
    ("md5-file", "md5sum time / ours, one 1 GiB file", r"md5 file: .*= ([\d.]+)", 1, 1.0, True),
    ("memory", "peak RSS bytes per file, 1,000,000 files", r"bytes per file: (\d+)", 1, 80, False),
    ("formats", "CSV writer / text writer", r"names and sizes: ratio csv/text = ([\d.]+)", 1, 1.3, False),
    ("formats", "HTML writer / text writer", r"names and sizes: .*html/text = ([\d.]+)", 1, 1.3, False),
    ("formats", "JSON writer / text writer", r"names and sizes: .*json/text = ([\d.]+)", 1, 2.0, False),
    ("formats", "JSON writer / text writer, dates and MD5", r"with dates.*: .*json/text = ([\d.]+)", 1, 2.0, False),
    ("zip", "zip listing / bsdtar -tvf", r"ratio ordanou/bsdtar = ([\d.]+)", 1, 2.0, False),
    ("7z", "7z listing / bsdtar -tvf", r"include.7z: ratio ordanou/bsdtar = ([\d.]+)", 1, 1.0, False),
    ("tar.gz", "tar.gz listing / bsdtar -tvf", r"ratio ordanou/bsdtar = ([\d.]+)", 1, 1.0, False),
    ("tar.gz", "tar.gz listing / bsdtar -tvf, TZ set", r"with TZ set = ([\d.]+)", 1, 1.0, False),
    ("crawl", "crawl / wget --spider, generated site", r"wall time: wget .*\(ratio ([\d.]+)\)", 1, 1.0, False),
    ("python-docs", "crawl / wget --spider, Python docs", r"median wall time: .*crawl [\d.]+ s \(ratio ([\d.]+)\)", 1, 0.4, False),
    ("python-docs", "ordanou --crawl / wget --spider, Python docs", r"median wall time: .*ordanou --crawl [\d.]+ s \(ratio ([\d.]+)\)", 1, 0.4, False),
    ("python-docs", "link extractor, MB of HTML per CPU second", r"CPU time: extractor [\d.]+ s, (\d+) MB/s", 1, 150, True),
]
print("cores: %s   logs: %s" % (cores, logs))
print("| comparison | result | target | met |")
print("|---|---|---|---|")
for name, what, pattern, group, target, higher in rows:
    text = log(name)
    if text is None:
        continue
    m = re.search(pattern, text)
    if not m:
        print("| %s | (no figure: see %s.log) | %s | |" % (what, name, target))
        continue
    v = float(m.group(group))
    ok = v >= target if higher else v <= target
    print("| %s | %s | %s %s | %s |" % (what, m.group(group), ">=" if higher else "<=", target, "yes" if ok else "NO"))
PY
