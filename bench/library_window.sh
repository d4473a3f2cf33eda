#!/usr/bin/env bash
# The library search window over a library of FILES rows stored through the
# store (names as bench/make_tree.py makes them), offscreen: for a selective
# query, a Japanese two-character one and one that nearly every row matches,
# the time to the first page, to the count, to the first page sorted by size
# and to the page after it, and the longest stall of the window's event loop.
# Usage: bench/library_window.sh [FILES]   (default 1000000)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
files=${1:-1000000}
bench_build ordano_library_window_bench
export QT_QPA_PLATFORM=offscreen TZ=UTC
"$build/bench/ordano_library_window_bench" "$work/library.sqlite" "$files" file_012345 写真 file
