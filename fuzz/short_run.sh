#!/usr/bin/env bash
# Builds the libFuzzer targets (crawler text, 7z headers, catalogue reader) with clang (address and undefined
# behaviour sanitizers) and runs each for a few seconds, from the seed inputs in fuzz/seeds/<target>
# where there are some.
# Exits non-zero when a target crashes or cannot be built.
#   fuzz/short_run.sh [build-dir] [seconds-per-target]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${1:-$here/../build-fuzz}"
seconds="${2:-5}"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz: clang++ is not installed (Debian: clang, libclang-rt-dev)" >&2
  exit 1
fi
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j "$(nproc)"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=0
passed=0
for target in extract_links decode_entities percent_decode resolve_link sevenzip_headers catalogue_read; do
  dict=()
  case "$target" in
    extract_links) dict=(-dict="$here/html.dict") ;;
    resolve_link) dict=(-dict="$here/url.dict") ;;
    sevenzip_headers) dict=(-dict="$here/sevenzip.dict") ;;
    catalogue_read) dict=(-dict="$here/catalogue.dict") ;;
  esac
  mkdir -p "$work/$target/corpus"
  # Seed inputs, where a target has them: new finds go to the work folder.
  corpus=()
  [ -d "$here/seeds/$target" ] && corpus=("$work/$target/corpus" "$here/seeds/$target")
  if (cd "$work/$target" && "$build/fuzz_$target" "${dict[@]}" "${corpus[@]}" -max_total_time="$seconds" \
        -max_len=4096 -timeout=10 -rss_limit_mb=2048 >"$work/$target.log" 2>&1); then
    runs="$(grep -o 'Done [0-9]* runs' "$work/$target.log" || true)"
    echo "fuzz_$target: ok (${runs:-no run count})"
    passed=$((passed + 1))
  else
    echo "fuzz_$target: FAILED" >&2
    tail -n 40 "$work/$target.log" >&2
    for crash in "$work/$target"/crash-* "$work/$target"/timeout-* "$work/$target"/oom-*; do
      [ -e "$crash" ] && echo "input (hex): $(od -An -tx1 -v "$crash" | tr -d ' \n' | head -c 400)" >&2
    done
    failed=$((failed + 1))
  fi
done
if [ "$failed" -ne 0 ]; then
  echo "fuzz: $failed of $((passed + failed)) targets crashed" >&2
  exit 1
fi
echo "fuzz: all $passed targets ran without a crash"
