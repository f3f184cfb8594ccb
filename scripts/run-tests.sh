#!/usr/bin/env bash
# Sets up, builds and runs every test: the full build with its tests, the
# Debian package made from it with its checks, the picture core under
# AddressSanitizer and UndefinedBehaviorSanitizer, the printer link's tests
# under ThreadSanitizer, and a short run of every fuzz target.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
builds=${VELLUMIO_BUILD_ROOT:-$root}
jobs=${VELLUMIO_JOBS:-2}
fuzz_seconds=${VELLUMIO_FUZZ_SECONDS:-20}
fuzz_targets=(bmp raster_gfx raster_gfx_ext logo epson_gfx)
# The printer link's test programs, under tests/ of the build: the component
# on pseudo-terminals, the event sink and the connection, and the CLI's
# printer commands against the virtual printer (both programs instrumented too),
# and the USB back end against its fake printer.
tsan_tests=(link/link_tests connection/connection_tests cli/printer_cli_tests usb/usb_tests)
tsan_repeat=${VELLUMIO_TSAN_REPEAT:-3}

step() { printf '\n=== %s\n' "$*"; }

step "dependencies"
"$root/scripts/install-deps.sh"

step "full build"
# Installed under /usr, as the package made from this build below.
cmake -S "$root" -B "$builds/build-ci" -G Ninja -DVELLUMIO_WERROR=ON -DCMAKE_INSTALL_PREFIX=/usr
cmake --build "$builds/build-ci" -j "$jobs"
step "full build: tests"
# Qt tests run without a display. The package's checks come in their own step.
QT_QPA_PLATFORM=offscreen ctest --test-dir "$builds/build-ci" --output-on-failure -j "$jobs" -LE packaging

# The Debian package made by cpack from the full build (scripts/package.sh
# makes the same one from a Release build; one compile is enough here), then
# its contents, lintian, the desktop entry and metainfo validators, the
# unpacked programs, the manual lookup, the file types and the completion.
step "package and its checks"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$builds/build-ci" --output-on-failure -j "$jobs" -L packaging

# Warnings are errors in the full build only: instrumented code draws false
# alarms from the compiler's own flow analysis.
step "sanitizer build"
cmake -S "$root" -B "$builds/build-ci-asan" -G Ninja -DVELLUMIO_WERROR=OFF \
  -DVELLUMIO_CORE_ONLY=ON -DVELLUMIO_SANITIZE=ON -DVELLUMIO_BENCH=OFF
cmake --build "$builds/build-ci-asan" -j "$jobs"
step "sanitizer build: tests"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$builds/build-ci-asan" --output-on-failure -j "$jobs"

# The link's worker threads and its event hand-over, with only the link's
# tests and the programs they run built; each test program runs its tests
# several times over for more interleavings, and a report in a program it
# starts fails that test. Qt is not built with ThreadSanitizer:
# tests/tsan.supp names the Qt internals whose ordering it cannot see.
step "thread sanitizer build"
cmake -S "$root" -B "$builds/build-ci-tsan" -G Ninja -DVELLUMIO_TSAN=ON -DVELLUMIO_BENCH=OFF \
  -DVELLUMIO_WERROR=OFF
cmake --build "$builds/build-ci-tsan" -j "$jobs" --target "${tsan_tests[@]##*/}"
step "thread sanitizer build: link tests"
for test in "${tsan_tests[@]}"; do
  # The fake USB printer lives in a umockdev testbed.
  wrapper=()
  [[ $test == usb/* ]] && wrapper=(umockdev-wrapper)
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$root/tests/tsan.supp" \
    QT_QPA_PLATFORM=offscreen timeout 600 "${wrapper[@]}" "$builds/build-ci-tsan/tests/$test" \
    --gtest_repeat="$tsan_repeat" --gtest_brief=1
done

step "fuzz build"
CC=clang CXX=clang++ cmake -S "$root" -B "$builds/build-ci-fuzz" -G Ninja -DVELLUMIO_WERROR=OFF \
  -DVELLUMIO_FUZZ=ON -DVELLUMIO_CORE_ONLY=ON -DVELLUMIO_BENCH=OFF
cmake --build "$builds/build-ci-fuzz" --target fuzz_targets -j "$jobs"

corpora=$(mktemp -d)
trap 'rm -rf "$corpora"' EXIT
# Every decoded input is saved back to a file, and each save is synced to
# disk; on a memory file system that costs nothing.
fuzz_tmp=${TMPDIR:-/tmp}
if [[ -d /dev/shm && -w /dev/shm ]]; then
  fuzz_tmp=/dev/shm
fi
summary=()
for target in "${fuzz_targets[@]}"; do
  step "fuzz $target for ${fuzz_seconds}s"
  # The committed seeds stay as they are; the run grows a copy.
  cp -r "$root/tests/fuzz/corpus/$target" "$corpora/$target"
  log=$corpora/$target.log
  if ! TMPDIR=$fuzz_tmp "$builds/build-ci-fuzz/tests/fuzz/fuzz_$target" -max_total_time="$fuzz_seconds" \
      -print_final_stats=1 "$corpora/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz $target: failed" >&2
    exit 1
  fi
  runs=$(awk '/stat::number_of_executed_units:/ { print $2 }' "$log")
  summary+=("$(printf '%-16s %s executions' "$target" "${runs:-?}")")
done

step "fuzz executions"
printf '%s\n' "${summary[@]}"
step "all tests passed"
