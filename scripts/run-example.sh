#!/usr/bin/env bash
# Sets up, builds, converts the bundled sample logo into all five picture
# types, printing what each written file holds, then downloads it into the
# virtual printer, reads it back and prints it. With a display, it then opens
# the desktop program on the sample logo, linked to the virtual printer.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUMIO_BUILD_DIR:-$root/build}
out=${VELLUMIO_EXAMPLE_DIR:-$root/out/example}
sample=$root/examples/sample-logo.bmp

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja
cmake --build "$build" --target vellumio vellumio-cli vellumio-virtual-printer user_manual -j 2
cli=$build/cli/vellumio-cli
printer=$build/sim/vellumio-virtual-printer

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

# The virtual printer stands in for a real one on a pseudo-terminal; its
# printed logos land as PBM files in the paper folder.
link=$out/printer
paper=$out/paper
rm -rf "$paper"
mkdir -p "$paper"
"$printer" --link "$link" --paper "$paper" >/dev/null &
printer_pid=$!
trap 'kill "$printer_pid" 2>/dev/null; wait "$printer_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done

echo
echo "== download $sample into logo slot 0"
"$cli" download 0 "$sample" --port "$link"
echo
echo "== upload logo slot 0 into $out/uploaded.bmp"
"$cli" upload 0 "$out/uploaded.bmp" --port "$link"
"$cli" info "$out/uploaded.bmp"
echo
echo "== print logo slot 0 at double width and height"
"$cli" print 0 --size 3 --port "$link"
for _ in $(seq 50); do ls "$paper"/*.pbm >/dev/null 2>&1 && break; sleep 0.1; done
ls -l "$paper"
echo
echo "== printer memory"
"$cli" memory --protocol-level 1 --port "$link"

if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
  echo
  echo "== no display: the desktop program ($build/vellumio) is not opened"
  exit 0
fi
# The program keeps the settings of this run apart from the user's own and
# reaches the virtual printer as the first parallel port.
config=$out/config
mkdir -p "$config/QUORIX"
printf '[Settings]\nInterface=1\nPort=0\n' >"$config/QUORIX/Vellumio.conf"
echo
echo "== vellumio $sample (close the window to end)"
XDG_CONFIG_HOME=$config VELLUMIO_PARALLEL_PORTS=$link "$build/vellumio" "$sample"
