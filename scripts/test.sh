#!/bin/sh
# Builds and runs every test: the default build, the Debian package as lintian
# and the other distribution checks see it, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, the filter and word-index
# tests on the scalar twins of the SSE2 paths, and each libFuzzer target for
# a few seconds on its seed corpus. This is what CI runs.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
JOBS="${JOBS:-$(nproc)}"

cmake --preset default >/dev/null
cmake --build --preset default -j "$JOBS"
ctest --preset default -j "$JOBS"
# Real write faults (tmpfs, chattr, prlimit, another user); the ones this
# system does not allow are skipped with a message.
./scripts/write_faults.sh build/default/tools/vpacket
# The real package, once: lintian, metainfo, entries, manual pages, icons and
# the packaged programs' --help and --version.
JOBS="$JOBS" ./scripts/package_test.sh

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$JOBS"
ctest --preset asan -j "$JOBS"

cmake --preset scalar >/dev/null
cmake --build --preset scalar -j "$JOBS"
ctest --preset scalar -j "$JOBS"

./scripts/fuzz.sh "${FUZZ_SECONDS:-10}"
echo "all tests passed"
