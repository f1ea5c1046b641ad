#!/bin/sh
# Makes docs/editor.png: the editors' build (vregister-editor's configuration)
# at 636x459, the size with no settings file, in the Danish edition on a copy
# of the shipped data, under Xvfb.
set -e
cd "$(dirname "$0")/.."
cmake --preset default >/dev/null
cmake --build build/default -j "${JOBS:-2}" --target windowshot
out="$(pwd)/docs/editor.png"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cp data/*.xml "$work"
cd "$work"
xvfb-run -a -s "-screen 0 1024x768x24" "$OLDPWD/build/default/tools/windowshot" --editor "$out"
