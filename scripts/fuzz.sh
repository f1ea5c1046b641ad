#!/bin/sh
# Builds the libFuzzer targets with clang and runs each for the given number of
# seconds (default 10) on a copy of its seed corpus in fuzz/corpus/<target>.
set -e
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-10}"
JOBS="${JOBS:-$(nproc)}"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$JOBS"
for bin in build/fuzz/fuzz/*_fuzz; do
  [ -x "$bin" ] || continue
  name=$(basename "$bin")
  work="build/fuzz/corpus/$name"
  rm -rf "$work"; mkdir -p "$work"
  if [ -d "fuzz/corpus/$name" ]; then cp -r "fuzz/corpus/$name/." "$work/"; fi
  echo "fuzz: $name for ${SECONDS_EACH}s"
  dict=""
  if [ -f "fuzz/$name.dict" ]; then dict="-dict=fuzz/$name.dict"; fi
  "$bin" -max_total_time="$SECONDS_EACH" -print_final_stats=1 $dict "$work" 2>&1 | tail -n 3
done
