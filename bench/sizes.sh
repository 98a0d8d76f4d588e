#!/usr/bin/env bash
# sizes.sh [FILE...]: for each library, its size as built, stripped, and
# stripped then compressed with LZMA (xz --format=lzma -9e, close to what an
# installer's LZMA compressor stores), and for a DLL the goal the static test
# (tests/static/CMakeLists.txt) holds the shipped one to. Default: the shipped Install.dll of
# build/win32 and build/win64, and build/native's libinstall.so.
# Stripping a PE file stamps it with SOURCE_DATE_EPOCH (0 here), so the
# figures do not change from run to run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || set -- "$root"/build/win32/bin/Install.dll "$root"/build/win64/bin/Install.dll \
  "$root"/build/native/bin/libinstall.so

strip_tool() {
  case $(file -bL "$1") in
    *"PE32+"*) echo x86_64-w64-mingw32-strip ;;
    *PE32*) echo i686-w64-mingw32-strip ;;
    *) echo strip ;;
  esac
}

goal() {
  case $(file -bL "$1") in
    *"PE32+"*) echo 90112 ;;
    *PE32*) echo 81920 ;;
    *) echo - ;;
  esac
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
printf '%-44s %10s %10s %10s %10s\n' file bytes stripped lzma goal
for file in "$@"; do
  SOURCE_DATE_EPOCH=0 "$(strip_tool "$file")" --strip-all -o "$scratch/stripped" "$file"
  printf '%-44s %10d %10d %10d %10s\n' "${file#"$root"/}" "$(stat -L -c %s "$file")" "$(stat -c %s "$scratch/stripped")" \
    "$(xz --format=lzma -9e -c "$scratch/stripped" | wc -c)" "$(goal "$file")"
done
