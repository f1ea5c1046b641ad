#!/bin/sh
# Builds the Debian package build/package/vregister_<version>_<arch>.deb: an
# optimised build of the installed programs, staged under /usr and packed by
# CPack, with its dependencies found by dpkg-shlibdeps.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
cmake --workflow --preset package
ls build/package/vregister_*.deb
