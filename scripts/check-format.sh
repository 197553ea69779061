#!/bin/sh
# Fails when a C++ file that git knows is not laid out as .clang-format says.
# Files git knows but that are gone from the working tree are left out.
#   scripts/check-format.sh [clang-format]
set -eu
cd "$(dirname "$0")/.."
clang_format=${1:-clang-format}
git ls-files -- '*.cpp' '*.h' | while read -r f; do
  if [ -f "$f" ]; then echo "$f"; fi
done | xargs "$clang_format" --dry-run --Werror
