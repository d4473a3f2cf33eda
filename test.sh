#!/usr/bin/env bash
# Installs what is missing, builds the tests with AddressSanitizer and UBSan, runs them all.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/deps.sh" --test
# Every source file in the project's own format.
if command -v clang-format >/dev/null 2>&1; then
  (cd "$here" && git ls-files -co --exclude-standard src tests bench fuzz | grep -E '\.(cpp|h)$' |
     xargs clang-format --dry-run -Werror) || { echo "clang-format: files above differ" >&2; exit 1; }
fi
# The desktop file, the AppStream data and the manual page, where the checkers are installed.
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$here/data/io.github.ordano.Ordano.desktop"
fi
if command -v appstreamcli >/dev/null 2>&1; then
  appstreamcli validate --pedantic --no-net "$here/data/io.github.ordano.Ordano.metainfo.xml"
fi
if command -v mandoc >/dev/null 2>&1; then
  mandoc -Tlint "$here/data/man/ordanou.1"
fi
build="$here/build-test"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
      -DORDANO_TESTS=ON -DORDANO_SANITIZE=ON -DORDANO_WERROR=ON
cmake --build "$build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$build" && ctest --output-on-failure -j "$(nproc)" "$@")
# The crawler's parsers under libFuzzer (clang, ASan/UBSan), a few seconds each.
if command -v clang++ >/dev/null 2>&1; then
  "$here/fuzz/short_run.sh" "$here/build-fuzz" 5
else
  echo "warning: clang++ is not installed; the fuzz short run is skipped" >&2
fi
