#!/usr/bin/env bash
# Renders what the repository carries as pictures: the PNG icon sizes from the
# SVG (rsvg-convert) and the README's screenshots of the window (offscreen,
# Noto CJK fonts).   scripts/render_assets.sh [build folder]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build-assets}"
"$here/scripts/deps.sh" --bench
for size in 16 32 48 64 128 256; do
  mkdir -p "$here/data/icons/$size"
  rsvg-convert -w "$size" -h "$size" "$here/data/icons/ordanou.svg" -o "$here/data/icons/$size/ordanou.png"
done
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORDANO_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target window_shots
QT_QPA_PLATFORM=offscreen "$build/tests/gui/window_shots" "$here/docs"
ls -l "$here/docs"/*.png
