# Shared by the download benchmarks: the checks of what they need, a work
# folder removed at exit together with the virtual printer, and the test
# logo. Source it after setting `targets` (the build targets named in the
# hint) and before starting the printer into `printer_pid`.

# need_programs PATH... : each must be built.
need_programs() {
  local program
  for program in "$@"; do
    [[ -x $program ]] || { echo "no $program: build the targets $targets first" >&2; exit 1; }
  done
}

# need_tools NAME... : each must be on PATH.
need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
  done
}

work=$(mktemp -d)
printer_pid=
cleanup() {
  [[ -n $printer_pid ]] && kill "$printer_pid" 2>/dev/null && wait "$printer_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# write_halftone_logo DOTS OUT.bmp: alternating dots, so every byte of the
# download image is 55 or AA.
write_halftone_logo() {
  pbmmake -gray "$1" "$1" >"$work/halftone.pbm"
  ppmtobmp -windows -bpp 1 "$work/halftone.pbm" >"$2" 2>/dev/null
}

# start_printer ARGS... : the virtual printer ($printer) with ARGS, waited for
# by the line it prints once it is up (its terminal or its TCP address),
# which lands in printer_said.
start_printer() {
  exec {printer_out}< <(exec "$printer" "$@")
  printer_pid=$!
  read -r -t 20 -u "$printer_out" printer_said || { echo "the virtual printer did not come up" >&2; exit 1; }
}
