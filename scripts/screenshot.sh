#!/usr/bin/env bash
# Takes a screenshot of the Vellumio main window.
#
# Usage: scripts/screenshot.sh [--download] BUILD_DIR OUT.png [FILE]
#
# Starts BUILD_DIR/vellumio with FILE (default: the sample logo) on a virtual
# X display, with a private home and configuration folder whose settings
# select the parallel interface and the virtual printer on LPT1, waits until
# the window is mapped and its picture has settled (two captures in a row
# alike, not blank), and writes the window's part of the screen to OUT.png.
#
# --download shows the Download page in the middle of a download instead:
# FILE is centred near the top of a 576 x 576 dot logo (the width of an
# 80 mm receipt), too large for the link's buffers to swallow, so the bar
# moves only as fast as the virtual printer on its slow line takes the bytes;
# tests/e2e/shoot_download_page.py drives the window over the accessibility
# bus and takes the picture while the bar stands between 50 and 90 % and the
# button reads "Abort".
# E2E_KEEP=1 keeps the work folder.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
download=""
if [[ ${1:-} == --download ]]; then
  download=1
  shift
fi
if [[ $# -lt 2 || $# -gt 3 || ! -d "$1" ]]; then
  echo "usage: $0 [--download] BUILD_DIR OUT.png [FILE]" >&2
  exit 2
fi

# The whole run has a watchdog; every wait below has its own deadline too.
if [[ -z "${VELLUMIO_SCREENSHOT_WATCHED:-}" ]]; then
  VELLUMIO_SCREENSHOT_WATCHED=1 exec timeout -k 5 "${SCREENSHOT_WATCHDOG:-120}" "$0" ${download:+--download} "$@"
fi

build=$(cd "$1" && pwd)
out=$2
case "$out" in
  /*) ;;
  *) out="$PWD/$out" ;;
esac
file=${3:-$root/examples/sample-logo.bmp}
[[ "$file" == /* ]] || file="$PWD/$file"

for tool in Xvfb xdotool import identify xwininfo dbus-daemon setsid; do
  if ! command -v "$tool" >/dev/null; then
    echo "screenshot: $tool is not installed (apt-get install xvfb xdotool imagemagick x11-utils dbus)" >&2
    exit 1
  fi
done
for exe in vellumio sim/vellumio-virtual-printer ${download:+cli/vellumio-cli}; do
  if [[ ! -x "$build/$exe" ]]; then
    echo "screenshot: $build/$exe is missing; build it first" >&2
    exit 1
  fi
done
if [[ -n $download ]]; then
  if ! [[ -x /usr/libexec/at-spi-bus-launcher ]] || ! /usr/bin/python3 -c 'import pyatspi' 2>/dev/null; then
    echo "screenshot: --download drives the window over the accessibility bus (apt-get install at-spi2-core python3-pyatspi)" >&2
    exit 1
  fi
fi

e2e_name=screenshot
# shellcheck source-path=SCRIPTDIR source=../tests/e2e/session-lib.sh
source "$root/tests/e2e/session-lib.sh"
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

e2e_make_session

if [[ -n $download ]]; then
  # 576 x 576 dots make a download image of 41476 bytes: at 9600 baud its
  # second half takes about 20 s.
  logo="$e2e_work/out/receipt-logo.bmp"
  if ! info=$("$build/cli/vellumio-cli" info "$file") ||
    ! file_width=$(awk -F': ' '$1 == "width" { print $2 }' <<<"$info") ||
    ! "$build/cli/vellumio-cli" convert "$file" "$logo" --type bitmap --width 576 --height 576 \
      --offset-x $(((file_width - 576) / 2)) --offset-y -40 >/dev/null; then
    e2e_log "cannot make the 576 x 576 logo from $file"
    exit 1
  fi
  e2e_start_xvfb || exit 1
  e2e_start_printer "$build" --baud 9600 || exit 1
  e2e_start_session_bus || exit 1
  e2e_start_accessibility_bus || exit 1
  if ! /usr/bin/python3 "$root/tests/e2e/shoot_download_page.py" --vellumio "$build/vellumio" --picture "$logo" \
    --out "$e2e_work/shot.png" --log "$e2e_work/vellumio.log" --config "$XDG_CONFIG_HOME" \
    --watchdog $((${SCREENSHOT_WATCHDOG:-120} - 20)); then
    cat "$e2e_work/vellumio.log" >&2
    exit 1
  fi
  mkdir -p "$(dirname "$out")"
  cp "$e2e_work/shot.png" "$out"
  e2e_log "wrote $out"
  exit 0
fi

# Nothing reads the window over the accessibility bus here.
unset QT_LINUX_ACCESSIBILITY_ALWAYS_ON QT_ACCESSIBILITY
e2e_start_xvfb || exit 1
e2e_start_printer "$build" || exit 1
e2e_start_session_bus || exit 1

(cd "$e2e_work/out" && exec "$build/vellumio" "$file") >"$e2e_work/vellumio.log" 2>&1 &
app=$!
e2e_pids+=("$app")

# The main window is the program's one visible window of at least the main
# window's minimum size (600 x 250); a message box shown instead (for
# example for a file it cannot read) fails the run.
window=""
others=()
find_window() {
  kill -0 "$app" 2>/dev/null || return 0
  window=""
  others=()
  local id
  for id in $(xdotool search --onlyvisible --pid "$app" --name '^Vellumio$' 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    if ((WIDTH >= 600 && HEIGHT >= 250)); then
      window=$id
    else
      others+=("$id")
    fi
  done
  # The start-up window that says the printer is being tried goes away.
  [[ -n "$window" && ${#others[@]} -eq 0 ]]
}
e2e_poll 20 find_window
if ! kill -0 "$app" 2>/dev/null; then
  e2e_log "vellumio ended before its window showed"
  cat "$e2e_work/vellumio.log" >&2
  exit 1
fi
if [[ ${#others[@]} -gt 0 ]]; then
  e2e_log "vellumio shows a smaller window (a message box?) besides or instead of its main window; see $file"
  import -window "${others[0]}" "$e2e_work/other.png" 2>/dev/null && export E2E_KEEP=1 && e2e_log "that window: $e2e_work/other.png"
  exit 1
fi
if [[ -z "$window" ]]; then
  e2e_log "no Vellumio main window within 20 s"
  cat "$e2e_work/vellumio.log" >&2
  exit 1
fi

geometry() {
  eval "$(xdotool getwindowgeometry --shell "$window")"
  crop="${WIDTH}x${HEIGHT}+${X}+${Y}"
}

previous=""
shot="$e2e_work/shot.png"
settled() {
  kill -0 "$app" 2>/dev/null || return 0
  geometry
  import -window root -crop "$crop" +repage "$shot" 2>/dev/null || return 1
  local sum colours
  sum=$(identify -format '%#' "$shot" 2>/dev/null) || return 1
  colours=$(identify -format '%k' "$shot" 2>/dev/null) || return 1
  if [[ "$sum" == "$previous" && "$colours" -gt 8 ]]; then
    return 0
  fi
  previous=$sum
  return 1
}
if ! e2e_poll 30 settled; then
  e2e_log "the window did not settle within 30 s"
  exit 1
fi
if ! kill -0 "$app" 2>/dev/null; then
  e2e_log "vellumio ended before the screenshot"
  cat "$e2e_work/vellumio.log" >&2
  exit 1
fi
mkdir -p "$(dirname "$out")"
cp "$shot" "$out"
e2e_log "wrote $out ($crop of the screen)"
