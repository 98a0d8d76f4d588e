#!/usr/bin/env bash
# check_library.sh windows|posix TOOL LIBRARY HEADER [IMPORTS [MAX_BYTES]]
# The exported names against the header's export table (on Windows with the
# twins its last column marks, name##W); on Windows, imports only of known
# DLLs (taken from the system folder alone), each function among those the
# oldest Windows the README names exports (the IMPORTS table), and, given
# MAX_BYTES, a stripped DLL with a debug link, of at most MAX_BYTES.
set -euo pipefail
kind=$1 tool=$2 library=$3 header=$4 allowed=${5:-} max_bytes=${6:-}

rows=$(sed -n '/^#define INSTALL_EXPORT_TABLE/,/[^\\]$/s/^ *X(\([A-Za-z_]*\),.*\([01]\))[ \\]*$/\1 \2/p' "$header")
expected=$(awk '{print $1}' <<<"$rows" | sort)
fail=0
if [ "$kind" = windows ]; then
  expected=$(awk '{print $1; if ($2 == 1) print $1 "W"}' <<<"$rows" | sort)
  dump=$("$tool" -p "$library")
  actual=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] //p' <<<"$dump" | sort)
  imports=$(sed -n 's/^\tDLL Name: //p' <<<"$dump")
  known_dlls='^(ntdll|kernel32|advapi32|comdlg32|gdi32|imm32|msvcrt|ole32|oleaut32|rpcrt4|sechost|setupapi|shell32|shlwapi|user32|ws2_32|api-ms-win-[a-z0-9-]+)\.dll$'
  grep -viE "$known_dlls" <<<"$imports" && { echo "imports DLLs not among Windows' known DLLs (above)"; fail=1; }
  functions=$(awk '/^\tDLL Name: /{d = tolower($3)} /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/{print d, $3}' <<<"$dump" | sort -u)
  unlisted=$(comm -23 <(echo "$functions") <(grep -v '^#' "$allowed" | sort -u))
  [ -n "$functions" ] && [ -z "$unlisted" ] || { echo "imports not in ${allowed##*/}: ${unlisted:-none found at all}"; fail=1; }
  if [ -n "$max_bytes" ]; then
    sections=$("$tool" -h "$library")
    if grep -q '\.debug_' <<<"$sections" || ! grep -q '\.gnu_debuglink' <<<"$sections"; then
      echo "not stripped with a debug link"; fail=1
    fi
    size=$(stat -c %s "$library")
    echo "size: $size bytes (at most $max_bytes)"
    [ "$size" -le "$max_bytes" ] || fail=1
  fi
else
  actual=$("$tool" -D --defined-only "$library" | awk '$2 ~ /^[TWtw]$/ {print $3}' | sort)
fi

diff <(echo "$expected") <(echo "$actual") || { echo "exported names differ from the header's table (above)"; fail=1; }
exit $fail
