#!/bin/sh
# The commit-message hook against one message per rule: what it lets through
# and what it refuses, with the refusal's reason.
set -u
hook="$1"
dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
failures=0
long="$(printf 'x%.0s' $(seq 1 73))"
limit="$(printf 'x%.0s' $(seq 1 72))"
# expected status | expected words of the refusal | message
check() {
  printf '%b\n' "$3" > "$dir/msg"
  out="$("$hook" "$dir/msg" 2>&1)"
  status=$?
  if [ "$status" -ne "$1" ] || { [ -n "$2" ] && ! printf '%s' "$out" | grep -q -- "$2"; }; then
    echo "FAIL: [$3] gave $status, '$out'; expected $1, '$2'"
    failures=$((failures + 1))
  fi
}
check 0 "" "Grid columns from one table\n\nThe facts were spread over six files."
check 0 "" "$limit\n\nA subject of exactly 72 characters."
check 0 "" "Å$(printf 'x%.0s' $(seq 1 71))\n\nA letter of two bytes counts as one character."
check 0 "" "Merge branch 'columns'"
check 0 "" "Subject\n\n# a comment git strips\nThe body."
check 1 "73 characters" "$long\n\nbody"
check 1 "no body" "A subject alone"
check 1 "no body" "A subject\n\n# only git's comments\n"
check 1 "second line must be blank" "A subject\nrunning on"
[ "$failures" -eq 0 ] && echo "commit-msg hook: all cases as expected"
exit "$failures"
