#!/usr/bin/env bash
# A 576 x 576 dot logo downloaded from the window (the "Download" page of the
# real application, bench/window_download_bench.cpp) through the virtual
# printer at 115200 baud. The download image is 4 + 72 x 576 = 41476 bytes,
# so the line itself takes 3.601 s. Targets: from the click to the checksum
# check (the printer answers it only once every byte has crossed the line)
# within 3 % of that, and never more than 50 ms without a repaint of the
# window while the bytes go out and while the check runs.
#
# Usage: bench/window-download-bench.sh [BUILD_DIR]     (default build-release;
# build the targets window_download_bench and vellumio-virtual-printer)
# VELLUMIO_BENCH_RUNS sets the number of downloads (default 5, at most 8).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-release}
runs=${VELLUMIO_BENCH_RUNS:-5}
bench=$build/bench/window_download_bench
printer=$build/sim/vellumio-virtual-printer
baud=115200
dots=576
target=1.03
gap_target_ms=50

targets="window_download_bench and vellumio-virtual-printer"
# shellcheck source=bench-lib.sh
source "$root/bench/bench-lib.sh"
need_programs "$bench" "$printer"
need_tools pbmmake ppmtobmp

# The window's settings go to a store of their own; no display is needed.
export XDG_CONFIG_HOME=$work/config HOME=$work/home XDG_RUNTIME_DIR=$work/runtime QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME" "$HOME" && mkdir -m 0700 "$XDG_RUNTIME_DIR"

write_halftone_logo "$dots" "$work/logo.bmp"

# Room for every run's logo in its own slot, so each run changes the
# remaining memory that marks the end of its check.
start_printer --link "$work/printer" --baud "$baud" --total-memory 1280 --logo-memory 1280
echo "printer:       $printer_said at $baud baud (virtual)"

# The program's own diagnostics go to a file, shown when it fails.
if ! "$bench" "$work/printer" "$work/logo.bmp" "$baud" "$runs" 2>"$work/bench.err" | tee "$work/out.txt"; then
  cat "$work/bench.err" >&2
  exit 1
fi
awk -v target="$target" -v gap="$gap_target_ms" '
  $1 == "to-check:" { ratio = $NF }
  $1 == "repaint-gap:" { sending = $2; checking = $5 }
  END {
    time_ok = ratio != "" && ratio <= target
    gap_ok = sending != "" && sending < gap && checking < gap
    printf "verdict:       time %s (%.4f x line, target at most %.2f); repaints %s (%s ms sending, %s ms checking, target under %d)\n",
      time_ok ? "PASS" : "FAIL", ratio, target, gap_ok ? "PASS" : "FAIL", sending, checking, gap
    exit time_ok && gap_ok ? 0 : 1
  }' "$work/out.txt"
