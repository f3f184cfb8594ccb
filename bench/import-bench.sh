#!/usr/bin/env bash
# The picture import against ImageMagick and netpbm on real photographs, the
# test images of Debian's python3-skimage (camera, astronaut, coffee), taken
# out of the package at run time and never kept.
#
# Quality: each method of "vellumio-cli import" at 576 dots, ImageMagick's
# "-resize 576x -colorspace Gray -dither FloydSteinberg -monochrome" and
# netpbm's "pamscale -width 576 | pamditherbw -floyd" are scored by
# import_quality: the dots and the photo's grey at the same size, both
# blurred by a Gaussian of sigma 1.5 dots, mean absolute difference in grey
# levels (lower is better). Target: our Floyd-Steinberg at or below both.
#
# Speed: a 4000 x 3000 JPEG to 576 dots with Floyd-Steinberg, whole process,
# vellumio-cli against the ImageMagick command above (hyperfine), and their
# peak memory (GNU time). Target: at most 0.2 times ImageMagick's time, and
# less memory. Exits 1 when a target is missed.
#
# Usage: bench/import-bench.sh [BUILD_DIR] [SHEET.png]
# BUILD_DIR (default build) holds vellumio-cli and import_quality; with
# SHEET.png, also writes the four methods on camera.png at 384 dots side by
# side (the README's picture).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
sheet=${2:-}
cli=$build/cli/vellumio-cli
quality=$build/bench/import_quality
imagemagick=convert-im6.q16
width=576

for program in "$cli" "$quality"; do
  [[ -x $program ]] || { echo "no $program: build the targets vellumio-cli and import_quality" >&2; exit 1; }
done
for tool in hyperfine "$imagemagick" pngtopam ppmtopgm pamscale pamditherbw pamtopnm apt-get dpkg /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The package's own download, unpacked in the scratch folder.
(cd "$work" && apt-get download python3-skimage >/dev/null 2>&1) ||
  { echo "apt-get download python3-skimage failed (no network or no package lists?)" >&2; exit 1; }
dpkg -x "$work"/python3-skimage_*.deb "$work/package"
photos=(camera astronaut coffee)
for photo in "${photos[@]}"; do
  cp "$(find "$work/package" -name "$photo.png" -print -quit)" "$work/$photo.png"
done

failed=0
methods=(threshold floyd-steinberg atkinson bayer)
printf '%-10s' "photo"; printf ' %16s' "${methods[@]}" imagemagick netpbm; printf '\n'
for photo in "${photos[@]}"; do
  png=$work/$photo.png
  dots=()
  for method in "${methods[@]}"; do
    "$cli" import "$png" "$work/$photo-$method.bmp" --type BITMAP --width "$width" --dither "$method" >/dev/null
    dots+=("$work/$photo-$method.bmp")
  done
  "$imagemagick" "$png" -resize "${width}x" -colorspace Gray -dither FloydSteinberg -monochrome "$work/$photo-im.pbm"
  pngtopam -mix -background=white "$png" | ppmtopgm | pamscale -width "$width" | pamditherbw -floyd |
    pamtopnm >"$work/$photo-netpbm.pbm"
  dots+=("$work/$photo-im.pbm" "$work/$photo-netpbm.pbm")
  mapfile -t scores < <("$quality" score "$png" "$width" "${dots[@]}" | awk '{ print $2 }')
  ((${#scores[@]} == 6)) || { echo "scoring $photo failed" >&2; exit 1; }
  printf '%-10s' "$photo"; printf ' %16s' "${scores[@]}"; printf '\n'
  # Floyd-Steinberg is the second method; ImageMagick and netpbm the last two.
  awk -v ours="${scores[1]}" -v im="${scores[4]}" -v pbm="${scores[5]}" 'BEGIN { exit !(ours <= im && ours <= pbm) }' ||
    { echo "  $photo: Floyd-Steinberg scores worse than a tool" >&2; failed=1; }
done

# A photo-sized JPEG: astronaut enlarged, with grain so it compresses as a
# photo does.
big=$work/big.jpg
"$imagemagick" "$work/astronaut.png" -resize '4000x3000!' -attenuate 0.4 +noise Gaussian -quality 90 "$big"
ours_cmd="$cli import $big $work/big-ours.bmp --type BITMAP --width $width --dither floyd-steinberg"
theirs_cmd="$imagemagick $big -resize ${width}x -colorspace Gray -dither FloydSteinberg -monochrome $work/big-im.bmp"
csv=$work/times.csv
hyperfine --shell=none --output "$work/stdout" --style none --warmup 2 --min-runs 10 --export-csv "$csv" \
  --command-name vellumio "$ours_cmd" --command-name imagemagick "$theirs_cmd" >/dev/null
read -r ours theirs < <(awk -F, 'NR == 2 { o = $2 } NR == 3 { t = $2 } END { print o, t }' "$csv")

# Peak resident memory in kbytes, the largest of three runs.
peak() {
  local most=0 kb
  for _ in 1 2 3; do
    kb=$(/usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1)
    ((kb > most)) && most=$kb
  done
  echo "$most"
}
# shellcheck disable=SC2086  # the commands are words on purpose
ours_kb=$(peak $ours_cmd)
# shellcheck disable=SC2086
theirs_kb=$(peak $theirs_cmd)
awk -v o="$ours" -v t="$theirs" -v om="$ours_kb" -v tm="$theirs_kb" 'BEGIN {
  printf "4000x3000 JPEG to %d dots: vellumio %7.1f ms %7.1f MB   imagemagick %7.1f ms %7.1f MB   time ratio %.3f\n",
         '"$width"', o * 1000, om / 1024, t * 1000, tm / 1024, o / t }'
awk -v o="$ours" -v t="$theirs" 'BEGIN { exit !(o <= 0.2 * t) }' ||
  { echo "  import takes more than 0.2 times ImageMagick's time" >&2; failed=1; }
((ours_kb < theirs_kb)) || { echo "  import takes more memory than ImageMagick" >&2; failed=1; }

if [[ -n $sheet ]]; then
  "$quality" sheet "$sheet" "$work/camera.png" 384
  echo "wrote $sheet"
fi
exit "$failed"
