#!/usr/bin/env bash
# test-ratio.sh: lines of tests against lines of code, counted as non-blank
# lines that are not // comments. Code is src/, include/, resources/ and
# tools/; tests are the source files under tests/ (the fuzz corpus is data).
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
  find "$@" -type f \( -name '*.c' -o -name '*.cpp' -o -name '*.h' -o -name '*.rc' \
    -o -name '*.def' -o -name '*.sh' -o -name '*.py' -o -name '*.cmake' \
    -o -name 'CMakeLists.txt' -o -name '*.nsi' -o -name '*.nsh' \) -print0 |
    xargs -0 cat | grep -cvE '^[[:space:]]*(//.*)?$'
}

if [ "${1:-}" = "--per-folder" ]; then
  for folder in tests/*/; do
    printf '%-20s %5d\n' "$folder" "$(count "$folder")"
  done
  printf '%-20s %5d\n' "tests/CMakeLists.txt" "$(count tests -maxdepth 1)"
fi
code=$(count src include resources tools)
tests=$(count tests)
awk -v t="$tests" -v c="$code" \
  'BEGIN { printf "tests/code: %d test lines / %d code lines = %.2f\n", t, c, t / c }'
