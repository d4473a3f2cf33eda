#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when something is missing.
set -euo pipefail

packages=(build-essential cmake ninja-build ccache pkg-config
          libgtest-dev libgmock-dev googletest libbenchmark-dev zlib1g-dev
          libarchive-dev libcurl4-openssl-dev nlohmann-json3-dev)
case "${1:-}" in
  --bench) packages+=(hyperfine time libarchive-tools wget python3) ;;
  # Peers and generators the tests run: cab and arj writers, bsdtar, wget, clang for fuzzing.
  --test) packages+=(gcab arj libarchive-tools wget python3 clang libclang-rt-14-dev chromium) ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq >&2 || true
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
