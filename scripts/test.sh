#!/bin/sh
# Builds and runs every test: the source format check, the default build
# (CMake's default generator), the Debian package as lintian and the other
# distribution checks see it, the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer (Ninja), the filter and word-index tests on the
# scalar twins of the SSE2 paths, and each libFuzzer target for 30 seconds on
# its seed corpus. Warnings are errors in every one of these builds. This is
# what CI runs.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
JOBS="${JOBS:-$(nproc)}"

./scripts/check_format.sh

# A build folder made by another generator cannot be configured again; an
# older checkout made build/default with Ninja.
if [ -f build/default/CMakeCache.txt ] && ! grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' build/default/CMakeCache.txt; then
  rm -rf build/default
fi
cmake --preset default >/dev/null
cmake --build --preset default -j "$JOBS"
ctest --preset default -j "$JOBS"
# Real write faults (tmpfs, chattr, prlimit, another user); the ones this
# system does not allow are skipped with a message.
./scripts/write_faults.sh build/default/tools/vpacket
# The real package, once: lintian, metainfo, entries, manual pages, icons and
# the packaged programs' --help and --version.
JOBS="$JOBS" VR_WARNINGS_AS_ERRORS=ON ./scripts/package_test.sh

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$JOBS"
ctest --preset asan -j "$JOBS"

cmake --preset scalar >/dev/null
cmake --build --preset scalar -j "$JOBS"
ctest --preset scalar -j "$JOBS"

./scripts/fuzz.sh "${FUZZ_SECONDS:-30}"
echo "all tests passed"
