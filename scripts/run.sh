#!/bin/sh
# Builds the program and starts it on the shipped edition files (working
# directory data/, where Base.xml, BaseNo.xml, BaseSv.xml and BaseFi.xml live).
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "${JOBS:-$(nproc)}" --target vregister
cd data
exec ../build/release/app/vregister
