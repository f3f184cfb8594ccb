#!/usr/bin/env bash
# Sets up, builds, and converts the bundled sample logo into all five picture
# types, printing what each written file holds.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUMIO_BUILD_DIR:-$root/build}
out=${VELLUMIO_EXAMPLE_DIR:-$root/out/example}
sample=$root/examples/sample-logo.bmp

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" --target vellumio-cli -j 2
cli=$build/cli/vellumio-cli

mkdir -p "$out"
echo "== $sample"
"$cli" info "$sample"

# type number, then the file written for it
outputs=(
  "0 sample-logo.bmp"
  "1 sample-logo-epson.gfx"
  "2 sample-logo.log"
  "3 sample-logo-raster.gfx"
  "4 sample-logo-raster-ext.gfx"
)
for entry in "${outputs[@]}"; do
  read -r type name <<<"$entry"
  echo
  echo "== $out/$name"
  "$cli" convert "$sample" "$out/$name" --type "$type"
  "$cli" info "$out/$name"
done
