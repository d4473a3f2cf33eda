#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when something is missing.
#   scripts/deps.sh           what the build needs
#   scripts/deps.sh --test    also what the tests build and run with: GoogleTest, the peers,
#                             generators and the packaging checkers
#   scripts/deps.sh --bench   also the peer tools the benchmarks compare against
set -euo pipefail

# Building and installing the program (qt6-tools-dev: the CMake side of
# Qt's translation tools; qt6-l10n-tools: lupdate and lrelease).
required=(build-essential cmake ninja-build pkg-config
          zlib1g-dev libarchive-dev liblzma-dev libcurl4-openssl-dev nlohmann-json3-dev
          libblkid-dev libsqlite3-dev libpq-dev qt6-base-dev qt6-translations-l10n
          qt6-tools-dev qt6-l10n-tools)
optional=()
case "${1:-}" in
  # Benchmarks, and the icons and screenshots of scripts/render_assets.sh;
  # python3.11-doc: a real documentation tree for bench/crawl_vs_wget.sh --python-docs.
  --bench) required+=(ccache libbenchmark-dev)
           optional=(fonts-noto-cjk librsvg2-bin hyperfine time libarchive-tools p7zip-full wget python3 python3.11-doc jq plocate
                     postgresql) ;;
  # GoogleTest for the test binaries (ccache speeds their many builds). Noto
  # CJK for the window's Japanese texts offscreen, cab, arj and 7z writers,
  # bsdtar, wget, the test web server, clang for fuzzing, Chromium for the
  # browser test, the checkers of the desktop file, the AppStream data and
  # the manual page, and a PostgreSQL server for the library on a server.
  # Tests that need one of them say so and skip when it is missing.
  --test) required+=(ccache libgtest-dev libgmock-dev googletest)
          optional=(fonts-noto-cjk clang-format gcab arj p7zip-full libarchive-tools wget python3 clang libclang-rt-14-dev chromium
                    desktop-file-utils appstream mandoc postgresql) ;;
esac

missing() {
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}
mapfile -t need < <(missing "${required[@]}")
mapfile -t want < <(missing "${optional[@]}")
[ ${#need[@]} -eq 0 ] && [ ${#want[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq >&2 || true
if [ ${#need[@]} -gt 0 ]; then
  echo "Installing: ${need[*]}" >&2
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >&2
fi
if [ ${#want[@]} -gt 0 ]; then
  echo "Installing: ${want[*]}" >&2
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${want[@]}" >&2 ||
    echo "warning: could not install ${want[*]}; the tests that need them will skip" >&2
fi
