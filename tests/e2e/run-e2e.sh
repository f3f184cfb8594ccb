#!/usr/bin/env bash
# End-to-end test of the desktop window: drives build/vellumio on a virtual
# X display through the accessibility bus (drive_window.py), with a private
# home, configuration and runtime folder, a private session bus and the
# virtual printer on LPT1, which the run then swaps for a second one on the
# network.
#
# Usage: tests/e2e/run-e2e.sh BUILD_DIR
# Exit status: the driver's (0 pass, 1 failure, 2 error of the driver,
# 3 the driver's watchdog), 124 when the outer watchdog ends the run, 77 when
# a tool it needs is missing. E2E_KEEP=1 keeps the work folder (logs, saved
# files, the last screenshot). E2E_PRINTER_OPTIONS adds options to the virtual
# printer (for example --wrong-checksum, which the run must fail on).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
if [[ $# -ne 1 || ! -d "$1" ]]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)
e2e_name=run-e2e
# shellcheck source-path=SCRIPTDIR source=session-lib.sh
source "$here/session-lib.sh"

skip() {
  echo "run-e2e: SKIP: $*"
  exit 77
}
for tool in Xvfb xdotool import xwininfo dbus-daemon gdbus setsid timeout; do
  command -v "$tool" >/dev/null || skip "$tool is not installed"
done
[[ -x /usr/libexec/at-spi-bus-launcher ]] || skip "at-spi-bus-launcher is not installed (at-spi2-core)"
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || skip "/usr/bin/python3 has no pyatspi (python3-pyatspi)"
for exe in vellumio cli/vellumio-cli sim/vellumio-virtual-printer; do
  if [[ ! -x "$build/$exe" ]]; then
    echo "run-e2e: $build/$exe is missing; build it first" >&2
    exit 1
  fi
done

# The whole run stays well inside the test's time-out; the driver's own
# watchdog fires first and reports what it waited for.
watchdog=${E2E_WATCHDOG:-150}
started=$SECONDS
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM

e2e_make_session
e2e_start_xvfb || exit 1
# The driver expects these memory figures.
# shellcheck disable=SC2086 # the options are words
e2e_start_printer "$build" --total-memory 1280 --logo-memory 512 ${E2E_PRINTER_OPTIONS:-} || exit 1
e2e_start_network_printer "$build" --total-memory 2048 --logo-memory 1024 || exit 1
e2e_start_session_bus || exit 1
e2e_start_accessibility_bus || exit 1

# The driver and the program it starts share a process group, which the
# outer watchdog (timeout) and the clean-up end as a whole.
setsid timeout -k 5 "$watchdog" /usr/bin/python3 "$here/drive_window.py" \
  --vellumio "$build/vellumio" --cli "$build/cli/vellumio-cli" \
  --sample "$root/examples/sample-logo.bmp" --work "$e2e_work/out" --config "$XDG_CONFIG_HOME" --paper "$e2e_work/paper" \
  --network-printer "$e2e_network_printer" --watchdog $((watchdog - 15)) &
e2e_pids+=("-$!")
wait $!
status=$?
if [[ $status -eq 124 ]]; then
  e2e_log "WATCHDOG: the run took more than $watchdog s"
fi
e2e_log "finished with status $status in $((SECONDS - started)) s"
exit $status
