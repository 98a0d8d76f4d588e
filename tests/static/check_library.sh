#!/usr/bin/env bash
# check_library.sh windows|posix TOOL LIBRARY HEADER [IMPORTS [MAX_BYTES]]
# The exported names against the header's export table (on Windows with the
# twins its last column marks, name##W); on Windows, imports only of the DLLs
# it imports today, all known DLLs (taken from the system folder alone), each
# function among those the oldest Windows the README names exports (the
# IMPORTS table), and, given MAX_BYTES, a stripped DLL with a debug link, of
# at most MAX_BYTES. Everywhere: no exception tables, and no use of the C++
# runtime's exception support.
set -euo pipefail
kind=$1 tool=$2 library=$3 header=$4 allowed=${5:-} max_bytes=${6:-}
# The C runtime's start-up code brings its own frame records (under 2 KB);
# the library's code, built without unwind tables on 32-bit Windows, none.
runtime_frames_max=4096
imported_dlls='advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll user32.dll'
exception_symbols='__cxa_(throw|begin_catch|allocate_exception)|__gxx_personality[a-z0-9_]*|_Unwind_(Resume|RaiseException)'

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
  if [ "$(tr 'A-Z' 'a-z' <<<"$imports" | sort | xargs)" != "$imported_dlls" ]; then
    echo "imports $(xargs <<<"$imports"), not $imported_dlls"; fail=1
  fi
  sections=$("$tool" -h "$library")
  grep -q '\.gcc_except_table' <<<"$sections" && { echo "has a .gcc_except_table"; fail=1; }
  frames_hex=$(awk '$2 == ".eh_frame" {print $3}' <<<"$sections")
  frames=$((16#${frames_hex:-0}))
  if [ "$frames" -gt "$runtime_frames_max" ]; then
    echo ".eh_frame holds $frames bytes (the runtime's own: at most $runtime_frames_max)"; fail=1
  fi
  # The symbols, from the debug file beside a stripped DLL.
  symbols=$library
  [ -f "$library.debug" ] && symbols=$library.debug
  exception_support=$("$tool" -t "$symbols" | grep -oE "$exception_symbols" | sort -u || true)
  [ -z "$exception_support" ] || { echo "links exception support:" $exception_support; fail=1; }
  if [ -n "$max_bytes" ]; then
    if grep -q '\.debug_' <<<"$sections" || ! grep -q '\.gnu_debuglink' <<<"$sections"; then
      echo "not stripped with a debug link"; fail=1
    fi
    size=$(stat -c %s "$library")
    echo "size: $size bytes (at most $max_bytes)"
    [ "$size" -le "$max_bytes" ] || fail=1
  fi
else
  actual=$("$tool" -D --defined-only "$library" | awk '$2 ~ /^[TWtw]$/ {print $3}' | sort)
  exception_support=$("$tool" -D --undefined-only "$library" | grep -oE "$exception_symbols" | sort -u || true)
  [ -z "$exception_support" ] || { echo "uses exception support:" $exception_support; fail=1; }
fi

diff <(echo "$expected") <(echo "$actual") || { echo "exported names differ from the header's table (above)"; fail=1; }
exit $fail
