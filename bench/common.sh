# Sourced by the benchmark scripts: the Release build in build/ and a work
# folder removed on exit.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${ORDANO_BUILD_DIR:-$here/build}"

# bench_build TARGET...: installs the peer tools, configures and builds.
bench_build() {
  "$here/scripts/deps.sh" --bench
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORDANO_BENCH=ON >/dev/null
  cmake --build "$build" --target "$@" >/dev/null
}

work=$(mktemp -d "${TMPDIR:-/tmp}/ordano-bench.XXXXXX")
bench_cleanup() { rm -rf "$work"; }
trap bench_cleanup EXIT
