#!/bin/sh
# Installs the Debian packages that building, testing and running vregister
# need, but only the ones that are missing, so a second run costs nothing.
set -e
PKGS="build-essential cmake ninja-build pkg-config qt6-base-dev libjpeg62-turbo-dev \
libpugixml-dev libgtest-dev libgmock-dev libbenchmark-dev libsqlite3-dev \
clang clang-format libclang-rt-14-dev xvfb xauth fonts-liberation2 desktop-file-utils \
dpkg-dev lintian appstream mandoc groff-base at-spi2-core python3-pyatspi dbus"
missing=""
for p in $PKGS; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "setup: installing$missing"
  SUDO=""
  if [ "$(id -u)" != "0" ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
