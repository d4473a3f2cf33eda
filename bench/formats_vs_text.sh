#!/usr/bin/env bash
# The CSV, HTML and JSON catalogues against the text catalogue of the same rows
# (Release build, each written through CFileCus to a file in /tmp).
# Usage: bench/formats_vs_text.sh [ROWS] [RUNS]   (default 1000000 rows, 7 runs)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
rows=${1:-1000000}
runs=${2:-7}
build="$here/build"
"$here/scripts/deps.sh" --bench
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORDANO_BENCH=ON >/dev/null
cmake --build "$build" --target ordano_formats_bench >/dev/null
out=$(mktemp -d /tmp/ordano-formats.XXXXXX)
trap 'rm -rf "$out"' EXIT
"$build/bench/ordano_formats_bench" "$rows" "$runs" "$out"
