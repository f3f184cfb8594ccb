#!/usr/bin/env bash
# How much of the USB back end the USB tests run: a build with gcov's
# instrumentation, `ctest -L usb` in it, and gcovr's line figure for
# link/usb_printer.cpp. The build folder is the first argument.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build-coverage}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELLUMIO_BENCH=OFF -DVELLUMIO_WERROR=OFF \
  -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$build" -j "${VELLUMIO_JOBS:-2}" --target usb_tests
# Counts from an earlier run would add to this one's.
find "$build" -name '*.gcda' -delete
ctest --test-dir "$build" -L usb --output-on-failure
gcovr --root "$root" --filter "$root/link/usb_printer.cpp" "$build"
