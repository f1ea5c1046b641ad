#!/bin/sh
# Makes docs/screenshot.png: the program's window at 636x459 (its size with
# no settings file) in the Danish edition on the shipped data, under Xvfb.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset default >/dev/null
cmake --build build/default -j "${JOBS:-2}" --target windowshot
out="$(pwd)/docs/screenshot.png"
cd data
xvfb-run -a -s "-screen 0 1024x768x24" ../build/default/tools/windowshot "$out"
