#!/usr/bin/env bash
# Installs every Debian package that building and testing Vellumio needs.
# Safe to run again: when everything is present it touches nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-serialport-dev libusb-1.0-0-dev
  netpbm imagemagick hyperfine netcat-openbsd xvfb xdotool x11-utils
  at-spi2-core python3-pyatspi dbus-x11 libx11-dev time xdg-utils
  dpkg-dev file librsvg2-bin help2man lintian desktop-file-utils appstream shared-mime-info
  libglib2.0-bin
  umockdev libumockdev-dev gcovr
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [[ "$status" == installed ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  echo "install-deps: all ${#packages[@]} packages are installed"
  exit 0
fi

sudo=()
if ((EUID != 0)); then
  command -v sudo >/dev/null || { echo "install-deps: run as root to install: ${missing[*]}" >&2; exit 1; }
  sudo=(sudo)
fi
echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
