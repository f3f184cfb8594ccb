#!/usr/bin/env bash
# Builds the Debian package: installs what the build needs, configures a
# Release build installing under /usr, builds only what the package holds and
# makes vellumio_VERSION_ARCH.deb with CPack. The last line printed is the
# package's path.
#
# VELLUMIO_PACKAGE_BUILD names the build folder (default: build-package),
# VELLUMIO_JOBS the parallel jobs (default: 2).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VELLUMIO_PACKAGE_BUILD:-$root/build-package}
jobs=${VELLUMIO_JOBS:-2}

"$root/scripts/install-deps.sh" >&2

# Warnings stay warnings: a newer compiler must not stop a user's package.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DVELLUMIO_WERROR=OFF \
  -DVELLUMIO_BENCH=OFF >&2
cmake --build "$build" -j "$jobs" --target vellumio_package_files >&2

out=$build/package
rm -rf "$out"
(cd "$build" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out") >&2
debs=("$out"/vellumio_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f ${debs[0]} ]]; then
  echo "package: cpack made no single vellumio_*.deb in $out" >&2
  exit 1
fi
echo "${debs[0]}"
