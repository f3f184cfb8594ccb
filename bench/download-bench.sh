#!/usr/bin/env bash
# Wall time of "vellumio-cli download" of a 576 x 576 dot logo through the
# virtual printer at 115200 baud, against what the line itself allows: the
# download image (4 + 72 x 576 = 41476 bytes) at 10 bits a byte, 3.601 s.
# The time covers the whole command: start-up, connection, the download and
# the checksum check, which the printer answers only once every byte has
# crossed the line. Target: within 3 % of the line limit.
#
# Usage: bench/download-bench.sh [BUILD_DIR]      (BUILD_DIR defaults to build)
# VELLUMIO_BENCH_RUNS sets the number of timed runs (default 5).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
runs=${VELLUMIO_BENCH_RUNS:-5}
cli=$build/cli/vellumio-cli
printer=$build/sim/vellumio-virtual-printer
baud=115200
dots=576
target=1.03

targets="vellumio-cli and vellumio-virtual-printer"
# shellcheck source=bench-lib.sh
source "$root/bench/bench-lib.sh"
need_programs "$cli" "$printer"
need_tools hyperfine pbmmake ppmtobmp

# The settings the commands fall back on come from a store of their own.
export XDG_CONFIG_HOME=$work/config

write_halftone_logo "$dots" "$work/logo.bmp"

start_printer --link "$work/printer" --baud "$baud"

# A first, untimed run tells the image size and warms the caches.
bytes=$("$cli" download 0 "$work/logo.bmp" --port "$work/printer" --baud "$baud" 2>/dev/null |
  awk -F': ' '$1 == "bytes" { print $2 }')
hyperfine --shell=none --style none --runs "$runs" --export-csv "$work/times.csv" \
  "$cli download 0 $work/logo.bmp --port $work/printer --baud $baud" >/dev/null

# CSV columns: command, mean, stddev, median, user, system, min, max (s).
awk -F, -v bytes="$bytes" -v baud="$baud" -v runs="$runs" -v target="$target" '
  NR == 2 {
    limit = bytes * 10 / baud
    printf "image:      %d bytes\n", bytes
    printf "line limit: %.3f s (%d bytes x 10 bits / %d baud)\n", limit, bytes, baud
    printf "download:   %.3f s mean of %d runs, fastest %.3f s\n", $2, runs, $7
    printf "ratio:      %.4f (target: at most %.2f)\n", $2 / limit, target
    exit ($2 / limit <= target ? 0 : 1)
  }' "$work/times.csv"
