#!/usr/bin/env bash
# check_library.sh windows|posix TOOL LIBRARY HEADER DEF [VERSION MAX_BYTES]
# Compares the library's exported names with the export table of the public
# header and with the module-definition file; on Windows also checks that
# every imported DLL is one Windows itself provides and, given VERSION and
# MAX_BYTES, that the DLL as shipped is stripped (its symbols in a .debug file
# it links to), holds the dialog and the version record of VERSION, and is
# no bigger than MAX_BYTES.
set -euo pipefail
kind=$1 tool=$2 library=$3 header=$4 def=$5 version=${6:-} max_bytes=${7:-}

expected=$(awk '/^#define INSTALL_EXPORT_TABLE/{in_table=1; next}
                in_table && /X\(/ {name = $0; sub(/.*X\(/, "", name); sub(/,.*/, "", name); print name}
                in_table && !/\\$/ {in_table=0}' "$header" | sort)
from_def=$(awk '/^EXPORTS/{in_exports=1; next}
                in_exports && /^ *[A-Za-z_]/ {print $1}' "$def" | sort)
fail=0
if [ "$(wc -l <<<"$expected")" -ne 7 ]; then
  echo "expected seven exports in the header's table, found: $expected"; fail=1
fi
if [ "$expected" != "$from_def" ]; then
  echo "install.def and install.h disagree:"; diff <(echo "$expected") <(echo "$from_def") || true; fail=1
fi

case $kind in
  windows)
    dump=$("$tool" -p "$library")
    actual=$(awk '/\[Ordinal\/Name Pointer\] Table/{in_table=1; next}
                  in_table && /^\t\[/ {print $NF; next}
                  in_table {in_table=0}' <<<"$dump" | sort)
    imports=$(sed -n 's/^\tDLL Name: //p' <<<"$dump")
    system_dlls='^(kernel32|user32|gdi32|advapi32|comctl32|comdlg32|shell32|ole32|oleaut32|msvcrt|ntdll|version|shlwapi|ucrtbase|api-ms-win-[a-z0-9-]+)\.dll$'
    echo "imports: $(echo $imports)"
    while read -r dll; do
      [ -z "$dll" ] && continue
      if ! grep -qiE "$system_dlls" <<<"$dll"; then
        echo "imports a DLL that Windows does not provide: $dll"; fail=1
      fi
    done <<<"$imports"
    if [ -n "$version" ]; then
      library_hex=$(od -An -tx1 -v "$library" | tr -d ' \n')
      for text in "Required Installation Information" "${version//./, }"; do
        text_hex=$(printf %s "$text" | iconv -t UTF-16LE | od -An -tx1 -v | tr -d ' \n')
        grep -q "$text_hex" <<<"$library_hex" || { echo "no resource text '$text'"; fail=1; }
      done
      sections=$("$tool" -h "$library")
      if grep -q '\.debug_' <<<"$sections" || ! grep -q '\.gnu_debuglink' <<<"$sections"; then
        echo "not stripped with a debug link"; fail=1
      fi
      size=$(stat -c %s "$library")
      echo "size: $size bytes (at most $max_bytes)"
      [ "$size" -le "$max_bytes" ] || fail=1
    fi
    ;;
  posix)
    actual=$("$tool" -D --defined-only "$library" | awk '$2 ~ /^[TWtw]$/ {print $3}' | sort)
    ;;
  *) echo "unknown kind $kind"; exit 2 ;;
esac

echo "exports: $(echo $actual)"
if [ "$actual" != "$expected" ]; then
  echo "exported names differ from the header's table:"
  diff <(echo "$expected") <(echo "$actual") || true
  fail=1
fi
exit $fail
