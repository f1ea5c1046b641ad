#!/bin/sh
# Builds the Debian package and checks it as a distribution would take it:
# lintian at its most pedantic reports no error and no warning, nor any of
# the information tags that a package build of ours can avoid (hardening,
# unneeded sections, spelling); and unpacked, the package holds the AppStream
# metainfo the validator accepts, valid menu entries, a manual page for each
# program, the icon at every size, and programs that answer --help and
# --version without a display. Exits non-zero at the first failed check.
set -eu
cd "$(dirname "$0")/.."
./scripts/package.sh >/dev/null
deb=$(ls build/package/vregister_*.deb)
fail() {
  echo "package test: $*" >&2
  exit 1
}

report=build/package/lintian.txt
lintian -EvI --pedantic --tag-display-limit 0 --fail-on error,warning "$deb" >"$report" ||
  { cat "$report"; fail "lintian reports errors or warnings"; }
ours='hardening-no-|binary-has-unneeded-section|spelling-error|no-manual-page|no-copyright-file|no-changelog|bogus-mail-host|extended-description-line-too-long'
if grep -E "^[EWIP]: .*($ours)" "$report"; then fail "lintian reports tags of ours"; fi

root=build/package/unpacked
rm -rf "$root"
dpkg-deb -x "$deb" "$root"
for metainfo in "$root"/usr/share/metainfo/*.metainfo.xml; do
  [ -f "$metainfo" ] || fail "no AppStream metainfo"
  appstreamcli validate --no-net --pedantic --no-color "$metainfo" || fail "metainfo refused"
done
for entry in "$root"/usr/share/applications/*.desktop; do
  out=$(desktop-file-validate "$entry") || fail "$entry refused: $out"
  [ -z "$out" ] || fail "$entry: $out"
done
for program in vregister vregister-editor vregister-editor-launcher vpacket; do
  [ -x "$root/usr/bin/$program" ] || fail "no /usr/bin/$program"
  page="$root/usr/share/man/man1/$program.1.gz"
  [ -f "$page" ] || fail "no manual page for $program"
  out=$(mandoc -T lint -W warning "$page" 2>&1) || fail "$page: $out"
  [ -z "$out" ] || fail "$page: $out"
  for option in --help -h; do
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" "$option" \
      >"$root/out" 2>"$root/err" || fail "$program $option exits with status $?"
    [ -s "$root/out" ] || fail "$program $option prints no help"
  done
done
for program in vregister vregister-editor vpacket; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --version) ||
    fail "$program --version fails"
  version=$(dpkg-deb -f "$deb" Version)
  [ "$out" = "$program $version" ] || fail "$program --version says '$out', not $version"
done
for size in 16 24 32 48 64 128 256; do
  icon="$root/usr/share/icons/hicolor/${size}x${size}/apps/vregister.png"
  [ -f "$icon" ] || fail "no ${size}x${size} icon"
  # The PNG header's width and height, big-endian words at bytes 16 and 20.
  dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $dims"
done
echo "package test: $(basename "$deb") passes lintian -EvI --pedantic and every check"
