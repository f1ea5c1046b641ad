#!/bin/sh
# Real write faults against `vpacket convert`, which replaces its output the
# way the program replaces a data file. For each fault the old output's bytes
# are compared with what they were, the temporary files left beside it are
# counted, and the message is shown:
#   full disk (a small tmpfs), a read-only mount, file-size limit (prlimit),
#   immutable and append-only file (chattr), read-only directory with a
#   writable file, user without write permission, SIGKILL during the write,
#   and another writer replacing the output while the conversion runs (the
#   output keeps that writer's bytes, the conversion goes to a conflict copy).
# Faults that need root (mount, chattr, another user) say so and are skipped
# when not run as root or when the system refuses them. Exits non-zero when
# an old file was lost or a fault was not reported.
# Usage: scripts/write_faults.sh [path/to/vpacket]
set -u
cd "$(dirname "$0")/.."
VPACKET="$(realpath "${1:-build/default/tools/vpacket}")"
INPUT="$(realpath resources/initial.packet)"
[ -x "$VPACKET" ] || { echo "write_faults: $VPACKET is not built" >&2; exit 1; }

WORK="$(mktemp -d /tmp/vr_write_faults.XXXXXX)"
chmod 755 "$WORK"
FAILED=0
ROOT=0
[ "$(id -u)" = 0 ] && ROOT=1

cleanup() {
  for f in "$WORK"/*/out.xml; do chattr -ia "$f" 2>/dev/null; done
  umount "$WORK/tmpfs" "$WORK/romount" 2>/dev/null
  chmod -R u+w "$WORK" 2>/dev/null
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

# Runs as the unprivileged user when root, else as the caller.
as_user() {
  if [ $ROOT = 1 ]; then setpriv --reuid=nobody --regid=nogroup --clear-groups "$@"; else "$@"; fi
}

# check NAME DIR EXPECT: EXPECT is "fail" (old bytes must stay) or "ok" (new
# content must be complete); reads the exit code from $rc and stderr from
# $DIR.err.
check() {
  name=$1 dir=$2 expect=$3
  temps=$(find "$dir" -maxdepth 1 -name '.out.xml.tmp-*' | wc -l)
  if cmp -s "$dir/out.xml" "$dir/old"; then intact=yes; else intact=no; fi
  if [ "$expect" = ok ] && [ "$intact" = no ]; then intact=replaced; fi
  msg=$(head -c 200 "$dir.err" | tr '\n' ' ')
  printf '%-38s | %-9s | %-4s | rc=%s %s\n' "$name" "$intact" "$temps" "$rc" "$msg"
  if [ "$expect" = fail ] && { [ "$intact" = no ] || [ "$rc" = 0 ] || [ "$temps" != 0 ]; }; then
    FAILED=1
  fi
  if [ "$expect" = ok ] && { [ "$rc" != 0 ] || ! "$VPACKET" info "$dir/out.xml" >/dev/null 2>&1; }; then
    FAILED=1
  fi
}

# prepare DIR: a fresh directory holding out.xml and a copy of its bytes.
prepare() {
  mkdir -p "$1"
  printf '<old packet, to be kept/>\n' > "$1/out.xml"
  cp "$1/out.xml" "$1/old"
}

skip() { printf '%-38s | skipped: %s\n' "$1" "$2"; }

# big_packet FILE ROWS: an XML packet of ROWS articles, big enough that a
# conversion of it lasts a while.
big_packet() {
  awk -v n="$2" 'BEGIN {
    print "<?xml version=\"1.0\" encoding=\"windows-1252\" standalone=\"yes\"?>"
    printf "<DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
    printf "<FIELD attrname=\"Aargang\" fieldtype=\"i4\"/><FIELD attrname=\"Nummer\" fieldtype=\"i4\"/>"
    printf "<FIELD attrname=\"Titel\" fieldtype=\"string\" WIDTH=\"80\"/>"
    printf "<FIELD attrname=\"Tekst\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    printf "<FIELD attrname=\"Kategori\" fieldtype=\"string\" WIDTH=\"20\"/>"
    printf "<FIELD attrname=\"StartSide\" fieldtype=\"i4\"/><FIELD attrname=\"SlutSide\" fieldtype=\"i4\"/>"
    printf "<FIELD attrname=\"VProgrammer\" fieldtype=\"bin.hex\" SUBTYPE=\"Text\"/>"
    print "</FIELDS><PARAMS/></METADATA><ROWDATA>"
    for (i = 1; i <= n; i++)
      printf "<ROW RowState=\"4\" Aargang=\"%d\" Nummer=\"%d\" Titel=\"Artikel %d\" Tekst=\"Tekst til artikel %d om printere og spil\" Kategori=\"Test\" StartSide=\"%d\" SlutSide=\"%d\"/>\n", 1990 + i % 20, 1 + i % 12, i, i, i % 90, i % 90 + 2
    print "</ROWDATA></DATAPACKET>"
  }' > "$1"
}

echo "fault                                  | old kept  | tmp  | result"

# Full disk: a tmpfs too small for the new packet.
if [ $ROOT = 1 ] && mkdir -p "$WORK/tmpfs" && mount -t tmpfs -o size=64k tmpfs "$WORK/tmpfs" 2>/dev/null; then
  prepare "$WORK/tmpfs"
  "$VPACKET" convert "$INPUT" "$WORK/tmpfs/out.xml" 2>"$WORK/tmpfs.err"; rc=$?
  check "full disk (64 KB tmpfs)" "$WORK/tmpfs" fail
else
  skip "full disk (64 KB tmpfs)" "mounting a tmpfs needs root and a system that allows it"
fi

# A read-only mount.
if [ $ROOT = 1 ] && mkdir -p "$WORK/romount" && mount -t tmpfs -o size=1m tmpfs "$WORK/romount" 2>/dev/null; then
  prepare "$WORK/romount"
  if mount -o remount,ro "$WORK/romount" 2>/dev/null; then
    "$VPACKET" convert "$INPUT" "$WORK/romount/out.xml" 2>"$WORK/romount.err"; rc=$?
    check "read-only mount" "$WORK/romount" fail
  else
    skip "read-only mount" "the system refused to remount read-only"
  fi
  umount "$WORK/romount"
else
  skip "read-only mount" "mounting a tmpfs needs root and a system that allows it"
fi

# File-size limit: SIGXFSZ is ignored, so the write fails with EFBIG.
prepare "$WORK/fsize"
prlimit --fsize=8192 "$VPACKET" convert "$INPUT" "$WORK/fsize/out.xml" 2>"$WORK/fsize.err"; rc=$?
check "file-size limit 8192 (prlimit)" "$WORK/fsize" fail

# Immutable and append-only files.
for attr in i a; do
  prepare "$WORK/attr$attr"
  if [ $ROOT = 1 ] && chattr +$attr "$WORK/attr$attr/out.xml" 2>/dev/null; then
    "$VPACKET" convert "$INPUT" "$WORK/attr$attr/out.xml" 2>"$WORK/attr$attr.err"; rc=$?
    chattr -$attr "$WORK/attr$attr/out.xml"
    check "chattr +$attr file" "$WORK/attr$attr" fail
  else
    skip "chattr +$attr file" "needs root and a file system with attributes"
  fi
done

# A writable file in a read-only directory: rewritten in place.
prepare "$WORK/rodir"
chmod 666 "$WORK/rodir/out.xml"
chmod 555 "$WORK/rodir"
as_user "$VPACKET" convert "$INPUT" "$WORK/rodir/out.xml" 2>"$WORK/rodir.err"; rc=$?
check "read-only dir, writable file" "$WORK/rodir" ok
# ... and the same under a file-size limit: the old bytes are put back.
chmod 755 "$WORK/rodir"; prepare "$WORK/rodir"; chmod 666 "$WORK/rodir/out.xml"; chmod 555 "$WORK/rodir"
as_user prlimit --fsize=8192 "$VPACKET" convert "$INPUT" "$WORK/rodir/out.xml" 2>"$WORK/rodir.err"; rc=$?
check "read-only dir, writable file, limit" "$WORK/rodir" fail
chmod 755 "$WORK/rodir"

# A user without write permission on the file, in a directory it may write.
prepare "$WORK/noperm"
chmod 777 "$WORK/noperm"; chmod 644 "$WORK/noperm/out.xml"
[ $ROOT = 1 ] || chmod 444 "$WORK/noperm/out.xml"
as_user "$VPACKET" convert "$INPUT" "$WORK/noperm/out.xml" 2>"$WORK/noperm.err"; rc=$?
check "user without write permission" "$WORK/noperm" fail
[ $ROOT = 1 ] || echo "  (not root: the file was read-only to its owner; no other user was tried)"

# SIGKILL during the write, then a successful write removes the left-over.
prepare "$WORK/kill"
big="$WORK/kill/big.xml"
"$VPACKET" convert "$INPUT" "$big" 2>/dev/null
"$VPACKET" convert "$big" "$WORK/kill/out.xml" 2>"$WORK/kill.err" &
pid=$!
sleep 0.02
kill -9 $pid 2>/dev/null
wait $pid 2>/dev/null; rc=$?
if cmp -s "$WORK/kill/out.xml" "$WORK/kill/old" || cmp -s "$WORK/kill/out.xml" "$big"; then whole=yes; else whole=no; FAILED=1; fi
left=$(find "$WORK/kill" -maxdepth 1 -name '.out.xml.tmp-*' | wc -l)
printf '%-38s | %-9s | %-4s | rc=%s old or new content whole\n' "SIGKILL during the write" "$whole" "$left" "$rc"
# What a kill in the middle leaves, whether or not this one landed there.
printf 'partial' > "$WORK/kill/.out.xml.tmp-Killed"
"$VPACKET" convert "$INPUT" "$WORK/kill/out.xml" 2>/dev/null
left=$(find "$WORK/kill" -maxdepth 1 -name '.out.xml.tmp-*' | wc -l)
printf '%-38s | %-9s | %-4s | the next successful write removed left-overs\n' "  ... then a successful write" "-" "$left"
[ "$left" = 0 ] || FAILED=1

# Another writer replaces the output while the conversion runs. The
# conversion takes the output's version first, then reads its input: once
# the input has been read (the process's read count passes its size), the
# process is stopped, the other writer's file is renamed over the output, and
# the process goes on. The output must keep the other writer's bytes, the
# conversion must land whole in one conflict copy beside it, and the command
# must say so and fail.
prepare "$WORK/conflict"
rows=137500
big_packet "$WORK/conflict/in.xml" $rows
printf '<the other writer, to be kept/>\n' > "$WORK/conflict/theirs"
"$VPACKET" convert "$WORK/conflict/in.xml" "$WORK/conflict/out.xml" 2>"$WORK/conflict.err" &
pid=$!
size=$(wc -c < "$WORK/conflict/in.xml")
landed=no
for _ in $(seq 1000); do
  read_so_far=$(awk '/^rchar:/ { print $2 }' "/proc/$pid/io" 2>/dev/null)
  if [ -n "$read_so_far" ] && [ "$read_so_far" -ge "$size" ]; then
    kill -STOP $pid
    # Not too late: the output is still the old one.
    if cmp -s "$WORK/conflict/out.xml" "$WORK/conflict/old"; then
      cp "$WORK/conflict/theirs" "$WORK/conflict/.theirs" && mv "$WORK/conflict/.theirs" "$WORK/conflict/out.xml"
      landed=yes
    fi
    kill -CONT $pid
    break
  fi
  kill -0 $pid 2>/dev/null || break
  sleep 0.01
done
wait $pid; rc=$?
copies=$(find "$WORK/conflict" -maxdepth 1 -name 'out (conflict *).xml' | wc -l)
copy=$(find "$WORK/conflict" -maxdepth 1 -name 'out (conflict *).xml' | head -n 1)
temps=$(find "$WORK/conflict" -maxdepth 1 -name '.out.xml.tmp-*' | wc -l)
if cmp -s "$WORK/conflict/out.xml" "$WORK/conflict/theirs"; then kept=yes; else kept=no; fi
whole=no
if [ "$copies" = 1 ] && "$VPACKET" info "$copy" 2>/dev/null | grep -qx "rows: $rows"; then whole=yes; fi
msg=$(head -c 200 "$WORK/conflict.err" | tr '\n' ' ')
printf '%-38s | %-9s | %-4s | rc=%s copies=%s whole=%s %s\n' "output replaced during the conversion" \
  "$kept" "$temps" "$rc" "$copies" "$whole" "$msg"
if [ $landed = no ]; then
  echo "  (the other writer came too late: the conversion had already written)"
  FAILED=1
elif [ $kept = no ] || [ $whole = no ] || [ "$rc" = 0 ] || [ "$temps" != 0 ] ||
     ! grep -q "changed during the conversion" "$WORK/conflict.err"; then
  FAILED=1
fi
# With nobody else writing, the same conversion replaces its output.
rm -f "$copy"
"$VPACKET" convert "$INPUT" "$WORK/conflict/out.xml" 2>"$WORK/conflict.err"; rc=$?
cp "$WORK/conflict/theirs" "$WORK/conflict/old"
check "  ... unchanged output: replaced" "$WORK/conflict" ok
copies=$(find "$WORK/conflict" -maxdepth 1 -name 'out (conflict *).xml' | wc -l)
[ "$copies" = 0 ] || FAILED=1

if [ $FAILED = 0 ]; then echo "write faults: every old file kept"; else echo "write faults: FAILED"; fi
exit $FAILED
