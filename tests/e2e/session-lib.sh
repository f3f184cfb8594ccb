# shellcheck shell=bash
# Shared by tests/e2e/run-e2e.sh and scripts/screenshot.sh (sourced, bash).
#
# Sets up a private, throw-away session for the desktop program: a home and
# configuration folder of its own whose stored settings select the parallel
# interface (LPT1 = the virtual printer's link), a virtual X display and the
# virtual printer. The program connects to the stored port at start-up; with
# default settings that is COM1, the machine's console, so it must never run
# without this setup.
#
# Every process started here is recorded and ended by e2e_cleanup, by its id.
# Xvfb, the session bus and the virtual printer each report on a pipe when
# they are ready, and the start-up reads that line instead of polling.

e2e_pids=()
e2e_fds=()
e2e_work=""

e2e_log() { printf '%s: %s\n' "${e2e_name:-e2e}" "$*" >&2; }

# Polls COMMAND until it succeeds or SECONDS pass; 0 on success, 1 on time-out.
e2e_poll() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  while ! "$@"; do
    if ((SECONDS >= end)); then
      return 1
    fi
    sleep 0.05
  done
}

# e2e_make_session: a private work folder with home, configuration and
# runtime folders (0700) and the stored settings (a nonzero protocol level, so
# that the Download page offers Upload and the memory figures); exports the
# environment.
e2e_make_session() {
  e2e_work=$(mktemp -d "${TMPDIR:-/tmp}/vellumio-e2e.XXXXXX")
  chmod 700 "$e2e_work"
  mkdir -m 700 "$e2e_work/home" "$e2e_work/config" "$e2e_work/runtime" "$e2e_work/cache" "$e2e_work/out"
  mkdir -p "$e2e_work/config/QUORIX"
  printf '[Settings]\nInterface=1\nPort=0\nVersion=1\n' >"$e2e_work/config/QUORIX/Vellumio.conf"
  export HOME="$e2e_work/home"
  export XDG_CONFIG_HOME="$e2e_work/config"
  export XDG_RUNTIME_DIR="$e2e_work/runtime"
  export XDG_CACHE_HOME="$e2e_work/cache"
  export VELLUMIO_PARALLEL_PORTS="$e2e_work/printer"
  export VELLUMIO_SERIAL_PORTS=""
  # The window must be a real one on the virtual display.
  unset QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
  export QT_QPA_PLATFORM=xcb
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  export QT_ACCESSIBILITY=1
  # Each run brings its own session bus (e2e_start_session_bus); nothing
  # may reach the caller's bus.
  unset DBUS_SESSION_BUS_ADDRESS
  unset SESSION_MANAGER DESKTOP_SESSION XDG_CURRENT_DESKTOP
}

# e2e_read_ready FD WHAT: the first line that a starting process writes to
# the pipe FD within 20 s; prints it. The caller keeps FD in e2e_fds, open
# until the clean-up, so that a later line cannot kill the writer.
e2e_read_ready() {
  local fd=$1 what=$2 line
  if ! read -r -t 20 -u "$fd" line || [[ -z $line ]]; then
    e2e_log "$what did not report within 20 s"
    return 1
  fi
  printf '%s\n' "$line"
}

# e2e_start_xvfb: a virtual display on a free number; exports DISPLAY.
e2e_start_xvfb() {
  local fd display
  exec {fd}< <(exec Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>&1 >"$e2e_work/xvfb.log" 2>&1)
  e2e_pids+=($!)
  e2e_fds+=("$fd")
  if ! display=$(e2e_read_ready "$fd" "Xvfb's display"); then
    cat "$e2e_work/xvfb.log" >&2
    return 1
  fi
  DISPLAY=":$display"
  export DISPLAY
  e2e_log "display $DISPLAY"
}

# e2e_start_printer BUILD_DIR [OPTION...]: the virtual printer, linked where
# LPT1 points, printing into $e2e_work/paper; the options go to the printer
# (for example --baud N). It names its terminal once the link is in place.
e2e_start_printer() {
  local build=$1 fd
  shift
  exec {fd}< <(exec "$build/sim/vellumio-virtual-printer" --link "$e2e_work/printer" --paper "$e2e_work/paper" \
    "$@" 2>"$e2e_work/printer.log")
  e2e_pids+=($!)
  e2e_fds+=("$fd")
  if ! e2e_read_ready "$fd" "the virtual printer" >"$e2e_work/printer.terminal"; then
    cat "$e2e_work/printer.log" >&2
    return 1
  fi
}

# e2e_start_network_printer BUILD_DIR [OPTION...]: a second virtual printer,
# on a free TCP port of 127.0.0.1; sets e2e_network_printer to its HOST:PORT.
e2e_start_network_printer() {
  local build=$1 fd
  shift
  exec {fd}< <(exec "$build/sim/vellumio-virtual-printer" --tcp 127.0.0.1:0 --paper "$e2e_work/network-paper" \
    "$@" 2>"$e2e_work/network-printer.log")
  e2e_pids+=($!)
  e2e_fds+=("$fd")
  if ! e2e_network_printer=$(e2e_read_ready "$fd" "the network printer"); then
    cat "$e2e_work/network-printer.log" >&2
    return 1
  fi
}

# Ends every recorded process (and the process group of a session leader
# started with setsid, recorded as -PGID), then removes the work folder
# unless E2E_KEEP is set.
e2e_cleanup() {
  local pid
  for pid in "${e2e_pids[@]}"; do
    kill -TERM -- "$pid" 2>/dev/null || true
  done
  local end=$((SECONDS + 5))
  for pid in "${e2e_pids[@]}"; do
    while kill -0 -- "$pid" 2>/dev/null && ((SECONDS < end)); do
      sleep 0.05
    done
    kill -KILL -- "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  local fd
  for fd in "${e2e_fds[@]}"; do
    exec {fd}<&-
  done
  if [[ -n "$e2e_work" && -d "$e2e_work" ]]; then
    if [[ -n "${E2E_KEEP:-}" ]]; then
      e2e_log "kept $e2e_work"
    else
      rm -rf "$e2e_work"
    fi
  fi
}

# e2e_start_session_bus: a private session bus in a process group of its own
# (services it starts, such as the accessibility bus, stay in that group);
# exports DBUS_SESSION_BUS_ADDRESS.
e2e_start_session_bus() {
  local fd address
  # Started without job control, the process is no group leader, so setsid
  # makes it one without a fork: its id is the group's.
  exec {fd}< <(exec setsid dbus-daemon --session --nofork --print-address=3 3>&1 >"$e2e_work/bus.log" 2>&1)
  e2e_pids+=("-$!")
  e2e_fds+=("$fd")
  if ! address=$(e2e_read_ready "$fd" "the session bus"); then
    cat "$e2e_work/bus.log" >&2
    return 1
  fi
  DBUS_SESSION_BUS_ADDRESS=$address
  export DBUS_SESSION_BUS_ADDRESS
}

e2e_accessibility_bus_ready() {
  timeout 5 gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.a11y.Bus.GetAddress >"$e2e_work/a11y-bus" 2>>"$e2e_work/bus.log"
}

# e2e_start_accessibility_bus: starts the accessibility bus (through the
# session bus) before any client asks for it.
e2e_start_accessibility_bus() {
  if ! e2e_poll 20 e2e_accessibility_bus_ready; then
    e2e_log "the accessibility bus did not start within 20 s"
    cat "$e2e_work/bus.log" >&2
    return 1
  fi
}
