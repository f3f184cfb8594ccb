#!/usr/bin/env bash
# Whole-process time of "vellumio-cli convert" against two Debian tools doing
# the same job on the same picture: netpbm's pbmtoepson (PBM to an EPSON
# bit-image stream) and ImageMagick (BMP to a 1-bit BMP). Prints the mean
# times and the ratio vellumio / tool; below 1 vellumio is faster.
#
# Usage: bench/compare-tools.sh [BUILD_DIR]      (BUILD_DIR defaults to build)
# The pictures and outputs go to a folder under TMPDIR. vellumio-cli syncs
# every file it saves; with TMPDIR on a memory file system (/dev/shm) the
# times show the work without the disk.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
cli=$build/cli/vellumio-cli
imagemagick=convert-im6.q16

[[ -x $cli ]] || { echo "no $cli: build the target vellumio-cli first" >&2; exit 1; }
for tool in hyperfine pbmtoepson "$imagemagick"; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A logo-like picture: a ring, a bar and a line of text-like strokes.
make_picture() {
  local size=$1 c=$(($1 / 2))
  "$imagemagick" -size "${size}x${size}" xc:white -fill black \
    -draw "circle $c,$c $c,$((size / 10))" -fill white -draw "circle $c,$c $c,$((size / 5))" \
    -fill black -draw "rectangle $((size / 8)),$((c - size / 40)) $((size - size / 8)),$((c + size / 40))" \
    -draw "rectangle 0,$((size - size / 12)) $((size - 1)),$((size - 1))" \
    -monochrome "PBM:$work/logo-$size.pbm"
  "$imagemagick" "$work/logo-$size.pbm" -monochrome "BMP3:$work/logo-$size.bmp"
}

# compare LABEL VELLUMIO_COMMAND TOOL_NAME TOOL_COMMAND
compare() {
  local csv=$work/times.csv
  # No shell in between: its start-up would swamp runs of a few milliseconds.
  # pbmtoepson's stream goes to the output file.
  hyperfine --shell=none --output "$work/stdout" --style none --warmup 3 --min-runs 20 --export-csv "$csv" \
    --command-name vellumio "$2" --command-name "$3" "$4" >/dev/null
  # CSV columns: command, mean (s), ...; one row per command after the header.
  awk -F, -v label="$1" -v tool="$3" '
    NR == 2 { ours = $2 }
    NR == 3 { theirs = $2 }
    END { printf "%-30s vellumio %8.2f ms   %-11s %8.2f ms   ratio %5.2f\n",
                 label, ours * 1000, tool, theirs * 1000, ours / theirs }' "$csv"
}

for size in 1000 2040; do
  make_picture "$size"
  pbm=$work/logo-$size.pbm
  bmp=$work/logo-$size.bmp
  compare "PBM/BMP to EPSON, ${size}x${size}" \
    "$cli convert $bmp $work/out-$size.gfx --type 1" \
    pbmtoepson "pbmtoepson $pbm"
  compare "BMP to 1-bit BMP, ${size}x${size}" \
    "$cli convert $bmp $work/out-$size.bmp --type BITMAP" \
    imagemagick "$imagemagick $bmp -monochrome BMP3:$work/out-im-$size.bmp"
done
