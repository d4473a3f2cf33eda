#!/usr/bin/env bash
# The CSV, HTML, JSON, JSON Lines and searchable-page catalogues against the
# text catalogue of the same rows (Release build, each written through
# CFileCus to a file in /tmp), then the two HTML catalogues opened in headless
# Chromium: the page's own marks (first folder painted, a search over all
# names) read back from the dumped DOM, and the wall time of each load.
# Usage: bench/formats_vs_text.sh [ROWS] [RUNS]   (default 1000000 rows, 7 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rows=${1:-1000000}
runs=${2:-7}
bench_build ordano_formats_bench
"$build/bench/ordano_formats_bench" "$rows" "$runs" "$work"

chromium=${CHROMIUM:-/usr/bin/chromium}
if [[ ! -x $chromium ]]; then
  echo "$chromium is not installed: the pages were not opened" >&2
  exit 0
fi
# Loads a page; prints the wall seconds and the page's marks, if any.
open_page() {
  local start end dom
  start=$(date +%s.%N)
  dom=$("$chromium" --headless --no-sandbox --disable-gpu --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --dump-dom "file://$1" 2>/dev/null |
    grep -o '<div id="ordano-perf"[^>]*>' || true)
  end=$(date +%s.%N)
  printf '%s: %.2f s to the dumped DOM %s\n' "${1##*/}" "$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')" "$dom"
}
for pass in 1 2; do
  for k in $(seq 3); do
    open_page "$work/bench-$pass.view.html"
    open_page "$work/bench-$pass.view.html#q=abc"
  done
  open_page "$work/bench-$pass.html"
done
