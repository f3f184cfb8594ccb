#!/usr/bin/env bash
# Worst wall time and peak memory of "vellumio-cli convert" on small hostile
# inputs: three files of under 100 bytes that claim huge pictures, two of at
# most 13 KB that claim about the largest picture still written, and every
# seed of the fuzz corpora, each converted to all five types. Target: under
# 1 s and under 300 MB for every run.
#
# Usage: bench/bomb-bench.sh [BUILD_DIR]      (BUILD_DIR defaults to build)
# Output goes under TMPDIR; every save is synced, so TMPDIR=/dev/shm shows
# the program's own work.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
cli=$build/cli/vellumio-cli
max_seconds=1
max_kb=$((300 * 1000))

[[ -x $cli ]] || { echo "no $cli: build the target vellumio-cli first" >&2; exit 1; }
[[ -x /usr/bin/time ]] || { echo "missing /usr/bin/time: apt-get install time" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/in"

# Writes the bytes given as hex pairs, each argument repeated by the number
# after its colon (once when there is none).
bytes() {
  local out=$1 part hex times
  shift
  for part in "$@"; do
    hex=${part%%:*}
    times=1
    [[ $part == *:* ]] && times=${part##*:}
    for ((i = 0; i < times; ++i)); do printf '%s' "$hex"; done
  done | xxd -r -p >"$out"
}

# RASTER GFX EXT, 2040 x 1,048,560: sixteen white lines of 65535 rows.
bytes "$work/in/bomb-raster-gfx-ext" 1b2eff00ffff:16
# EPSON GFX, 65535 x 11475: an empty bit image, a far position, 45 feeds.
bytes "$work/in/bomb-epson-gfx" 1b2a000000 1b24ffff 15ff:45
# BMP, 0 x 2^31-1.
bytes "$work/in/bomb-bmp" 424d3e000000000000003e00000028000000 00000000 ffffff7f 01000100 00000000:6 ffffff00 00000000
# Both 2040 x 261,933, about the tallest a 2040-dot picture can be and still
# be written as BMP: RASTER GFX EXT of alternating dots, and EPSON GFX with a
# band of 2040 columns of alternating dots, 1027 feeds of 255 rows and the
# band again.
bytes "$work/in/limit-raster-gfx-ext" 1b2e00ffffff aa:255 1b2e00ffffff 55:255 1b2e00ffffff aa:255 1b2e00ff30ff 55:255
bytes "$work/in/limit-epson-gfx" 1b2a21f807 aa55aa:2040 0a 15ff:1027 1b2a21f807 55aa55:2040 0a

inputs=("$work"/in/* "$root"/tests/fuzz/corpus/*/*)
worst_time=0 worst_time_run= worst_kb=0 worst_kb_run=
for input in "${inputs[@]}"; do
  for type in 0 1 2 3 4; do
    run="$(basename "$(dirname "$input")")/$(basename "$input") --type $type"
    /usr/bin/time -o "$work/time" -f "%e %M" "$cli" convert "$input" "$work/out" --type "$type" \
      >/dev/null 2>"$work/err" || true
    # A failing run has "Command exited with non-zero status" first.
    read -r seconds kb < <(tail -n 1 "$work/time")
    printf '%-52s %6.2f s %8d KB  %s\n' "$run" "$seconds" "$kb" "$(head -c 60 "$work/err" | head -n 1)"
    if awk -v a="$seconds" -v b="$worst_time" 'BEGIN { exit !(a > b) }'; then
      worst_time=$seconds worst_time_run=$run
    fi
    ((kb > worst_kb)) && worst_kb=$kb worst_kb_run=$run
    rm -f "$work/out"
  done
done

echo
echo "worst time:   $worst_time s   ($worst_time_run)"
echo "worst memory: $((worst_kb / 1000)) MB   ($worst_kb_run)"
awk -v t="$worst_time" -v m="$max_seconds" 'BEGIN { exit !(t < m) }' && ((worst_kb < max_kb)) ||
  { echo "over the target: under $max_seconds s and under $((max_kb / 1000)) MB" >&2; exit 1; }
