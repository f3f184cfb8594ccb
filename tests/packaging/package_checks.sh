#!/usr/bin/env bash
# Checks of the Debian package, one per call: package_checks.sh CHECK [ARG].
# "make" builds the package with cpack and unpacks it; the other checks read
# what it left in VELLUMIO_PACKAGE_DIR. CTest passes the settings below.
set -euo pipefail

: "${VELLUMIO_PACKAGE_DIR:?}" "${VELLUMIO_VERSION:?}" "${VELLUMIO_APP_ID:?}"
: "${VELLUMIO_SOURCE_DIR:?}" "${VELLUMIO_BUILD_DIR:?}"
dir=$VELLUMIO_PACKAGE_DIR
root=$dir/root
id=$VELLUMIO_APP_ID

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

the_deb() {
  local debs=("$dir"/vellumio_"$VELLUMIO_VERSION"_*.deb)
  [[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "no single vellumio_${VELLUMIO_VERSION}_*.deb in $dir"
  echo "${debs[0]}"
}

check_make() {
  local config=$1
  rm -rf "$dir"
  mkdir -p "$dir"
  "${VELLUMIO_CPACK:-cpack}" -G DEB --config "$config" -B "$dir"
  local deb
  deb=$(the_deb)
  [[ $(basename "$deb") == "vellumio_${VELLUMIO_VERSION}_$(dpkg --print-architecture).deb" ]] ||
    fail "package named $(basename "$deb")"
  dpkg-deb -x "$deb" "$root"
}

check_contents() {
  local deb listing
  deb=$(the_deb)
  listing=$(dpkg-deb -c "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
  local required=(
    ./usr/bin/vellumio
    ./usr/bin/vellumio-cli
    ./usr/bin/vellumio-virtual-printer
    "./usr/share/vellumio/user manual.pdf"
    "./usr/share/applications/$id.desktop"
    "./usr/share/metainfo/$id.metainfo.xml"
    "./usr/share/icons/hicolor/scalable/apps/$id.svg"
    "./usr/share/mime/packages/$id.xml"
    ./usr/lib/udev/rules.d/70-vellumio-usb-printers.rules
    ./usr/share/man/man1/vellumio.1.gz
    ./usr/share/man/man1/vellumio-cli.1.gz
    ./usr/share/man/man1/vellumio-virtual-printer.1.gz
    ./usr/share/bash-completion/completions/vellumio-cli
    ./usr/share/doc/vellumio/copyright
    ./usr/share/doc/vellumio/changelog.gz
  )
  local size
  for size in 16 32 48 64 128 256; do
    required+=("./usr/share/icons/hicolor/${size}x$size/apps/$id.png")
  done
  local file missing=0
  for file in "${required[@]}"; do
    grep -qxF -- "$file" <<<"$listing" || { echo "missing: $file" >&2; missing=1; }
  done
  ((missing == 0)) || fail "files missing from the package"
  ! grep -E '^\./usr/local(/|$)' <<<"$listing" || fail "files under /usr/local"
  ! grep -vE '^\./(usr/.*)?$' <<<"$listing" || fail "files outside /usr"
  ! grep -F -e "$VELLUMIO_BUILD_DIR" -e "$VELLUMIO_SOURCE_DIR" <<<"$listing" || fail "paths of the build"
  # The programs carry no search path into the build tree.
  local program
  for program in vellumio vellumio-cli vellumio-virtual-printer; do
    ! readelf -d "$root/usr/bin/$program" | grep -E 'R(UN)?PATH' || fail "$program has a library search path"
  done
  # The dependencies are the libraries dpkg-shlibdeps found, with versions.
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "Depends: $depends"
  local library
  for library in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libusb-1.0-0; do
    [[ ", $depends" == *", $library (>= "* ]] || fail "Depends lacks $library (>= ...)"
  done
}

check_lintian() {
  local deb
  deb=$(the_deb)
  # Errors and warnings fail; the rest is shown for reading.
  lintian --fail-on error,warning --display-level '>=info' --tag-display-limit 0 "$deb"
}

check_desktop_entry() {
  local output
  output=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) ||
    fail "desktop-file-validate: $output"
  # Hints are shown: the two main categories Graphics and Utility are wanted.
  echo "$output"
  ! grep -E ': (error|warning): ' <<<"$output" || fail "desktop-file-validate reported the above"
}

check_metainfo() {
  local metainfo=$root/usr/share/metainfo/$id.metainfo.xml
  appstreamcli validate --no-net --explain "$metainfo"
  # The screenshots are the README's window pictures, each by its address
  # under the homepage, with the main window first.
  local homepage images image
  homepage=$(sed -n 's|.*<url type="homepage">\(.*\)</url>.*|\1|p' "$metainfo")
  [[ -n $homepage ]] || fail "metainfo names no homepage"
  images=$(sed -n 's|.*<image>\(.*\)</image>.*|\1|p' "$metainfo")
  [[ $(head -n 1 <<<"$images") == "$homepage/raw/HEAD/docs/main-window.png" ]] ||
    fail "the first screenshot is not the main window"
  for image in $images; do
    [[ $image == "$homepage/raw/HEAD/"* ]] || fail "screenshot $image is not under $homepage"
    image=${image#"$homepage/raw/HEAD/"}
    [[ -f $VELLUMIO_SOURCE_DIR/$image ]] || fail "screenshot $image is not in the repository"
    grep -qF "]($image)" "$VELLUMIO_SOURCE_DIR/README.md" || fail "screenshot $image is not in the README"
  done
}

check_udev_rule() {
  local rule=$root/usr/lib/udev/rules.d/70-vellumio-usb-printers.rules
  # Before 73-seat-late.rules, which turns the uaccess tag into access rights.
  [[ $(basename "$rule") < 73-seat-late.rules ]] || fail "rule sorts after 73-seat-late.rules"
  local line pattern
  line=$(grep -E '^SUBSYSTEM=="usb".*TAG\+="uaccess"' "$rule") || fail "no uaccess line for usb devices"
  pattern=$(sed -n 's/.*ENV{ID_USB_INTERFACES}=="\([^"]*\)".*/\1/p' <<<"$line")
  [[ -n $pattern ]] || fail "no ID_USB_INTERFACES match"
  # udev matches with shell globs; interfaces are listed as :CCSSPP: (class,
  # subclass, protocol in hexadecimal).
  local interfaces
  for interfaces in :070101: :070102: :070202: :ff0000:070102: :070102:ff0000:; do
    # shellcheck disable=SC2053
    [[ $interfaces == $pattern ]] || fail "$pattern misses a printer with $interfaces"
  done
  for interfaces in :030101: :080650: :ff0701: :020201:0a0000: :0701:; do
    # shellcheck disable=SC2053
    [[ $interfaces != $pattern ]] || fail "$pattern takes the non-printer $interfaces"
  done
}

# Runs a packaged program and compares its whole output.
expect_output() {
  local expected=$1 output
  shift
  output=$("$@") || fail "$* exited with $?"
  [[ $output == "$expected" ]] || fail "$*: printed \"$output\", wanted \"$expected\""
}

check_programs() {
  local bin=$root/usr/bin
  expect_output "vellumio-cli $VELLUMIO_VERSION" "$bin/vellumio-cli" --version
  expect_output "vellumio-virtual-printer $VELLUMIO_VERSION" "$bin/vellumio-virtual-printer" --version
  # Answered without a display.
  expect_output "vellumio $VELLUMIO_VERSION" env -u DISPLAY -u WAYLAND_DISPLAY "$bin/vellumio" --version

  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  "$bin/vellumio-cli" convert "$VELLUMIO_SOURCE_DIR/examples/sample-logo.bmp" "$work/logo.gfx" \
    --type raster-gfx-ext --width 296 --offset-x 2
  expect_output $'type: RASTER GFX EXT\nwidth: 296\nheight: 80\nsize: '"$(stat -c %s "$work/logo.gfx")" \
    "$bin/vellumio-cli" info "$work/logo.gfx"
  "$bin/vellumio-cli" convert "$work/logo.gfx" "$work/back.bmp" --type bitmap
  expect_output $'type: BITMAP\nwidth: 296\nheight: 80\nsize: '"$(stat -c %s "$work/back.bmp")" \
    "$bin/vellumio-cli" info "$work/back.bmp"
}

check_file_types() {
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  # A database of the desktop's own types and the package's, and nothing else.
  mkdir -p "$work/share/mime/packages" "$work/home"
  cp /usr/share/mime/packages/freedesktop.org.xml "$root/usr/share/mime/packages/$id.xml" \
    "$work/share/mime/packages/"
  XDG_DATA_DIRS=$work/share update-mime-database "$work/share/mime"

  local cli=$root/usr/bin/vellumio-cli sample=$VELLUMIO_SOURCE_DIR/examples/sample-logo.bmp
  mkdir "$work/files"
  "$cli" convert "$sample" "$work/files/raster.gfx" --type raster-gfx 2>/dev/null
  "$cli" convert "$sample" "$work/files/raster-ext.gfx" --type raster-gfx-ext 2>/dev/null
  "$cli" convert "$sample" "$work/files/epson.gfx" --type epson-gfx 2>/dev/null
  "$cli" convert "$sample" "$work/files/shop.log" --type logo 2>/dev/null
  # The tallest logo: white rows at the top take several commands before the
  # first picture command.
  "$cli" convert "$sample" "$work/files/tall-epson.gfx" --type epson-gfx --height 1000 --offset-y -900 2>/dev/null
  "$cli" convert "$sample" "$work/files/tall-ext.gfx" --type raster-gfx-ext --height 1000 --offset-y -900 \
    2>/dev/null
  printf '2026-12-07 06:00:00 shop opened\n2026-12-07 06:00:01 printer ready\n' >"$work/files/x.log"
  cp "$sample" "$work/files/logo.bmp"
  local -A expected=(
    [raster.gfx]=application/x-vellumio-raster-gfx
    [raster-ext.gfx]=application/x-vellumio-raster-gfx-ext
    [epson.gfx]=application/x-vellumio-epson-gfx
    [tall-epson.gfx]=application/x-vellumio-epson-gfx
    [tall-ext.gfx]=application/x-vellumio-raster-gfx-ext
    [shop.log]=application/x-vellumio-logo
    [x.log]=text/x-log
    [logo.bmp]=image/bmp
  )
  local names=("${!expected[@]}") name got failed=0
  local env=(env -i PATH="$PATH" HOME="$work/home" XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$work/share")
  # GLib's guess (GNOME's file manager) and Qt's (KDE's).
  for name in "${names[@]}"; do
    got=$("${env[@]}" gio info -a standard::content-type "$work/files/$name" |
      sed -n 's/^ *standard::content-type: //p')
    printf 'gio %-16s %s\n' "$name" "$got"
    [[ $got == "${expected[$name]}" ]] || { echo "  wanted ${expected[$name]}" >&2; failed=1; }
  done
  local qt_types
  mapfile -t qt_types < <("${env[@]}" "$VELLUMIO_MIME_TYPE_OF" "${names[@]/#/$work/files/}")
  local i
  for i in "${!names[@]}"; do
    name=${names[i]}
    printf 'qt  %-16s %s\n' "$name" "${qt_types[i]:-}"
    [[ ${qt_types[i]:-} == "${expected[$name]}" ]] || { echo "  wanted ${expected[$name]}" >&2; failed=1; }
  done
  ((failed == 0)) || fail "file types"
}

check_completion() {
  # The packaged script in a plain bash, with the packaged program on PATH.
  PATH=$root/usr/bin:$PATH VELLUMIO_SERIAL_PORTS=/tmp/vellumio-a:/tmp/vellumio-b \
    VELLUMIO_PARALLEL_PORTS=/tmp/vellumio-lp bash --norc --noprofile -c '
    set -u
    source "$1"
    complete -p vellumio-cli >/dev/null
    completes() {
      COMP_WORDS=("${@:2}")
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      COMPREPLY=()
      _vellumio_cli
      local got
      got=$(printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " ")
      if [[ "$got" != "$1" ]]; then
        echo "FAIL: completing \"${COMP_WORDS[*]}\" gave \"$got\", wanted \"$1\"" >&2
        exit 1
      fi
    }
    completes "convert " vellumio-cli con
    completes "bitmap epson-gfx logo raster-gfx raster-gfx-ext " vellumio-cli convert in.bmp out.gfx --type ""
    completes "raster-gfx raster-gfx-ext " vellumio-cli convert in.bmp out.gfx --type ras
    completes "raster-gfx-ext " vellumio-cli convert in.bmp out.gfx --type = raster-gfx-
    completes "set-memory " vellumio-cli set
    completes "--offset-x --offset-y " vellumio-cli convert in.bmp out.gfx --off
    completes "even none odd " vellumio-cli erase --parity ""
    completes "0 1 2 3 " vellumio-cli print 0 --size ""
    completes "512 58mm 640 80mm " vellumio-cli import in.png out.bmp --paper ""
    # Port names are the ones "vellumio-cli ports" prints.
    ports=$(vellumio-cli ports | while read -r name _; do echo "$name"; done | sort | tr "\n" " ")
    [[ $ports == *"LPT1 "* && $ports == *"USB "* ]] || { echo "FAIL: ports gave $ports" >&2; exit 1; }
    completes "$ports" vellumio-cli memory --port ""
    echo "completion: ok"
  ' bash "$root/usr/share/bash-completion/completions/vellumio-cli"
}

check=${1:?usage: package_checks.sh CHECK [ARG]}
shift
case $check in
  make | contents | lintian | desktop_entry | metainfo | udev_rule | programs | file_types | completion) "check_$check" "$@" ;;
  *) fail "unknown check $check" ;;
esac
