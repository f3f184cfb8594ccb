#!/usr/bin/env bash
# A 576 x 576 dot logo downloaded over TCP to the virtual printer, the whole
# "vellumio-cli download" (start-up, connection, the image, the checksum
# check) against netcat sending the same image bytes to the same listener in
# the same run. The printer takes bytes at the rate of a 115200 baud line, as
# a receipt printer's intake is limited; netcat's time is the bytes' own.
# Target: at most 1.2 times netcat's time.
#
# Usage: bench/network-download-bench.sh [BUILD_DIR]      (default: build)
# VELLUMIO_BENCH_RUNS sets the number of timed runs (default 5);
# VELLUMIO_BENCH_BAUD the printer's intake rate (default 115200, 0: none).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
runs=${VELLUMIO_BENCH_RUNS:-5}
baud=${VELLUMIO_BENCH_BAUD:-115200}
cli=$build/cli/vellumio-cli
printer=$build/sim/vellumio-virtual-printer
dots=576
target=1.2

targets="vellumio-cli and vellumio-virtual-printer"
# shellcheck source=bench-lib.sh
source "$root/bench/bench-lib.sh"
need_programs "$cli" "$printer"
need_tools hyperfine pbmmake ppmtobmp nc

export XDG_CONFIG_HOME=$work/config

write_halftone_logo "$dots" "$work/logo.bmp"
# The image a download sends is the LOGO file's bytes.
"$cli" convert "$work/logo.bmp" "$work/logo.log" --type LOGO >/dev/null

pace=()
[[ $baud != 0 ]] && pace=(--baud "$baud")
start_printer --tcp 127.0.0.1:0 "${pace[@]}"
address=$printer_said
host=${address%:*}
port=${address##*:}

# Both through the shell (for nc's input); hyperfine takes the shell's own
# start-up out of both times.
hyperfine --style none --warmup 1 --runs "$runs" --export-csv "$work/times.csv" \
  "$cli download 0 $work/logo.bmp --port tcp://$address" \
  "nc -N $host $port <$work/logo.log" >/dev/null

# CSV columns: command, mean, stddev, median, user, system, min, max (s).
awk -F, -v runs="$runs" -v target="$target" -v baud="$baud" '
  NR == 2 { ours = $2 }
  NR == 3 { theirs = $2 }
  END {
    printf "printer intake: %s\n", baud == 0 ? "unpaced" : baud " baud"
    printf "vellumio-cli download: %.3f s mean of %d runs\n", ours, runs
    printf "nc, same bytes:        %.3f s mean of %d runs\n", theirs, runs
    printf "ratio:                 %.3f (target: at most %.1f)\n", ours / theirs, target
    exit (ours / theirs <= target ? 0 : 1)
  }' "$work/times.csv"
