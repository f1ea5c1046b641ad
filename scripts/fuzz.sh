#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for the given number of
# seconds (default 30) on a copy of its seed corpus in fuzz/corpus/<target>.
# Every target runs; the step fails when any of them found something
# (scripts/fuzz_target.sh prints each finding's path and base64).
#
# Before the real targets, a planted target proves that the runner itself
# fails: on seeds that crash, leak, hang and exhaust memory it must report a
# failure and a finding each time.
set -e
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-30}"
JOBS="${JOBS:-$(nproc)}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$JOBS"

planted=build/fuzz/fuzz/planted_fault_fuzz
for fault in crash leak hang oom; do
  seeds="build/fuzz/planted/$fault"
  rm -rf "$seeds"
  mkdir -p "$seeds"
  printf '%s' "$fault" >"$seeds/$fault"
  if FUZZ_INPUT_TIMEOUT=2 ./scripts/fuzz_target.sh "$planted" 20 "$seeds" \
    >"build/fuzz/planted/$fault.log" 2>&1; then
    echo "fuzz: the runner passed a planted $fault"
    exit 1
  fi
  if ! grep -q "finding .*base64" "build/fuzz/planted/$fault.log"; then
    echo "fuzz: the runner failed on a planted $fault but printed no finding"
    cat "build/fuzz/planted/$fault.log"
    exit 1
  fi
  echo "fuzz: a planted $fault fails the run, as it must"
done

failed=""
for bin in build/fuzz/fuzz/*_fuzz; do
  [ -x "$bin" ] || continue
  [ "$bin" = "$planted" ] && continue
  ./scripts/fuzz_target.sh "$bin" "$SECONDS_EACH" || failed="$failed $(basename "$bin")"
done
if [ -n "$failed" ]; then
  echo "fuzz: findings in$failed"
  exit 1
fi
