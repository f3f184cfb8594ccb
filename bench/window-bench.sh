#!/usr/bin/env bash
# The window's start against the least Qt Widgets program that shows the same
# 2040 x 2040 dot picture (bench/minimal_window.cpp): both run on one virtual
# display until their first paint of the picture and quit. Prints the mean
# time of each from process start, their ratio, the peak memory of each and
# its ratio, then the repaint time of one scroll step (view_bench).
#
# Usage: bench/window-bench.sh [BUILD_DIR]   (a Release build: see README)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-release}
for program in "$build/vellumio" "$build/bench/minimal_window" "$build/bench/view_bench" "$build/cli/vellumio-cli"; do
  [[ -x $program ]] || { echo "no $program: build it first" >&2; exit 1; }
done
for tool in hyperfine Xvfb /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d)
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
read -r -t 10 display <&"$display_fd" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display QT_QPA_PLATFORM=xcb
# A private settings store naming no printer interface, so that start-up
# opens no port at all.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME/QUORIX" && mkdir -m 0700 "$XDG_RUNTIME_DIR"
printf '[Settings]\nInterface=3\n' >"$XDG_CONFIG_HOME/QUORIX/Vellumio.conf"

picture=$work/noise.bmp
convert-im6.q16 -size 2040x2040 xc: +noise Random -channel R -separate -monochrome "BMP3:$picture"
"$build/cli/vellumio-cli" info "$picture"

hyperfine --warmup 2 --runs 15 --export-json "$work/start.json" -N \
  -n vellumio "env VELLUMIO_QUIT_AFTER_FIRST_PAINT=1 $build/vellumio $picture" \
  -n minimal "$build/bench/minimal_window $picture"
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }
ours=$(VELLUMIO_QUIT_AFTER_FIRST_PAINT=1 peak "$build/vellumio" "$picture")
theirs=$(peak "$build/bench/minimal_window" "$picture")
/usr/bin/python3 - "$work/start.json" "$ours" "$theirs" <<'PY'
import json, sys
runs = {r["command"]: r["mean"] for r in json.load(open(sys.argv[1]))["results"]}
ours, theirs = int(sys.argv[2]), int(sys.argv[3])
print(f"start to first paint: vellumio {runs['vellumio']*1000:.1f} ms, minimal {runs['minimal']*1000:.1f} ms,"
      f" ratio {runs['vellumio']/runs['minimal']:.2f} (target <= 1.5)")
print(f"peak memory: vellumio {ours} KiB, minimal {theirs} KiB, ratio {ours/theirs:.2f} (target < 2)")
PY
"$build/bench/view_bench" --benchmark_min_time=1
