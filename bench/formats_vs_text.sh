#!/usr/bin/env bash
# The CSV, HTML and JSON catalogues against the text catalogue of the same rows
# (Release build, each written through CFileCus to a file in /tmp).
# Usage: bench/formats_vs_text.sh [ROWS] [RUNS]   (default 1000000 rows, 7 runs)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
rows=${1:-1000000}
runs=${2:-7}
bench_build ordano_formats_bench
"$build/bench/ordano_formats_bench" "$rows" "$runs" "$work"
