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

for program in "$cli" "$printer"; do
  [[ -x $program ]] || { echo "no $program: build the targets vellumio-cli and vellumio-virtual-printer first" >&2; exit 1; }
done
for tool in hyperfine pbmmake ppmtobmp nc; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d)
printer_pid=
cleanup() {
  [[ -n $printer_pid ]] && kill "$printer_pid" 2>/dev/null && wait "$printer_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$work/config

pbmmake -gray "$dots" "$dots" >"$work/logo.pbm"
ppmtobmp -windows -bpp 1 "$work/logo.pbm" >"$work/logo.bmp" 2>/dev/null
# The image a download sends is the LOGO file's bytes.
"$cli" convert "$work/logo.bmp" "$work/logo.log" --type LOGO >/dev/null

pace=()
[[ $baud != 0 ]] && pace=(--baud "$baud")
# The program prints the address it listens on once it does.
mkfifo "$work/address"
"$printer" --tcp 127.0.0.1:0 "${pace[@]}" >"$work/address" &
printer_pid=$!
read -r address <"$work/address"
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
