#!/usr/bin/env bash
# Installs what is missing, builds the Release binary build/ordanou and runs it with the arguments.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$here/scripts/deps.sh"
{
  cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build "$here/build" --target ordanou
} >&2
exec "$here/build/ordanou" "$@"
