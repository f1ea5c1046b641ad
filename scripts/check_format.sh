#!/bin/sh
# Fails when a C++ source file of the repository deviates from .clang-format,
# and names each such file. `clang-format -i FILE` mends one.
set -e
cd "$(dirname "$0")/.."
files=$(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror $files; then
  echo "format: the files above deviate from .clang-format (clang-format -i FILE mends one)"
  exit 1
fi
echo "format: $(echo "$files" | wc -l) source files follow .clang-format"
