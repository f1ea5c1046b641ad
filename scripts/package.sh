#!/bin/sh
# Builds the Debian package build/package/vregister_<version>_<arch>.deb: an
# optimised build of the installed programs with Debian's hardening flags
# (fortified functions, stack protector, read-only relocations bound at start,
# position-independent executables, as dpkg-buildflags gives them), staged
# under /usr and packed by CPack, with its dependencies found by
# dpkg-shlibdeps.
set -e
cd "$(dirname "$0")/.."
./scripts/setup.sh
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
# The test command passes VR_WARNINGS_AS_ERRORS=ON: CI refuses warnings in
# every build it makes, the package's hardened one too. A packager's build on
# another compiler keeps them as warnings.
cmake --preset package -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${VR_WARNINGS_AS_ERRORS:-OFF}" >/dev/null
cmake --build --preset package -j "${JOBS:-$(nproc)}"
rm -f build/package/vregister_*.deb
cpack --preset package
ls build/package/vregister_*.deb
