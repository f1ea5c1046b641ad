#!/bin/sh
# Runs one libFuzzer target for a number of seconds on a copy of its seed
# corpus (fuzz/corpus/<target>), inside the build folder:
#
#   scripts/fuzz_target.sh BINARY SECONDS [SEED_DIR]
#
# The run fails (status 1) when the target crashes, leaks, exceeds the
# per-input time or runs out of memory. The input that did it is kept under
# build/fuzz/findings/<target>/ (never in the checkout) and printed with its
# path and in base64, so a CI log alone is enough to replay it:
#
#   echo BASE64 | base64 -d > input && build/fuzz/fuzz/<target> input
#
# A finding that has been mended goes into fuzz/corpus/<target>/ as a seed, so
# every later run replays it.
set -e
bin="$1"
seconds="$2"
name=$(basename "$bin")
root=$(cd "$(dirname "$0")/.." && pwd)
seeds="${3:-$root/fuzz/corpus/$name}"
out="$root/build/fuzz/runs/$name"
work="$out/corpus"
findings="$out/findings"
log="$out/log"
rm -rf "$out"
mkdir -p "$work" "$findings"
if [ -d "$seeds" ]; then cp -r "$seeds/." "$work/"; fi
dict=""
if [ -f "$root/fuzz/$name.dict" ]; then dict="-dict=$root/fuzz/$name.dict"; fi

echo "fuzz: $name for ${seconds}s"
# -timeout: seconds one input may take; -rss_limit_mb / -malloc_limit_mb: the
# memory a run and one allocation may take. Any of them ends the run with a
# finding, as a crash or a leak does.
status=0
"$bin" -max_total_time="$seconds" -timeout="${FUZZ_INPUT_TIMEOUT:-10}" \
  -rss_limit_mb=2048 -malloc_limit_mb=1024 -print_final_stats=1 \
  -artifact_prefix="$findings/" $dict "$work" >"$log" 2>&1 || status=$?
if [ "$status" -eq 0 ]; then
  tail -n 3 "$log"
  exit 0
fi
tail -n 60 "$log"
echo "fuzz: $name FAILED (status $status); log: $log"
found=0
for f in "$findings"/*; do
  [ -f "$f" ] || continue
  found=1
  echo "fuzz: $name finding $f ($(wc -c <"$f") bytes), base64:"
  base64 -w 0 "$f"
  echo
done
if [ "$found" -eq 0 ]; then echo "fuzz: $name left no input behind"; fi
exit 1
