#!/usr/bin/env bash
# release.sh [OUT_DIR]: builds the shipped Windows DLLs (presets win32 and
# win64) and packs the two release archives into OUT_DIR (default: the
# repository's dist/):
#   Install-VERSION-windows.zip          x86/Install.dll, x64/Install.dll,
#                                        install.h, README.md, LICENSE,
#                                        THIRD-PARTY-NOTICES, SHA256SUMS
#   Install-VERSION-windows-symbols.zip  x86/ and x64/Install.dll.debug, LICENSE,
#                                        THIRD-PARTY-NOTICES, SHA256SUMS
# The archives are byte for byte the same for the same sources: every entry
# is dated SOURCE_DATE_EPOCH (default: the last commit's time) and stored in
# a fixed order, with fixed modes and no extra fields. (Outside a git
# checkout the date is 1980-01-01, the earliest a zip entry can hold.)
#
# With a key (the INSTALL_SIGN_* variables of scripts/sign.sh), every Windows
# program and DLL shipped is signed before it is packed, and SHA256SUMS lists
# the signed files; taking a signature off (osslsigncode remove-signature)
# must give back the built file byte for byte, or the release stops. A
# release that cannot be signed as asked is not packed at all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "${1:-$root/dist}" && cd "${1:-$root/dist}" && pwd)
cd "$root"
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 315532800)}

for preset in win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target install_library >/dev/null
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/win32/CMakeCache.txt)
rm -f "$out/Install-$version-windows.zip" "$out/Install-$version-windows-symbols.zip"

# pack ARCHIVE FOLDER: zips every file under FOLDER, with a SHA256SUMS of them.
pack() {
  local archive=$1 folder=$2
  (cd "$folder" && find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort |
    xargs sha256sum >SHA256SUMS)
  find "$folder" -type d -exec chmod 755 {} + -o -type f -exec chmod 644 {} +
  find "$folder" -exec touch -h -d "@$epoch" {} +
  rm -f "$archive"
  (cd "$folder" && find . -type f | sed 's|^\./||' | LC_ALL=C sort |
    TZ=UTC zip -q -X -D "$archive" -@)
}

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage"/dll/{x86,x64} "$stage"/symbols/{x86,x64}
for pair in win32:x86 win64:x64; do
  preset=${pair%%:*} arch=${pair#*:}
  cp "build/$preset/bin/Install.dll" "$stage/dll/$arch/"
  cp "build/$preset/bin/Install.dll.debug" "$stage/symbols/$arch/"
done
# The DLLs hold the compiler's runtime: its notices travel with them.
cp LICENSE THIRD-PARTY-NOTICES "$stage/symbols/"
cp include/install.h README.md LICENSE THIRD-PARTY-NOTICES "$stage/dll/"

# sign_release FOLDER: signs every program and DLL under FOLDER, then checks
# each DLL against the one built.
sign_release() {
  local folder=$1 file shipped
  mapfile -t shipped < <(find "$folder" -type f \( -iname '*.dll' -o -iname '*.exe' \) | LC_ALL=C sort)
  INSTALL_SIGN_NAME="Install $version" scripts/sign.sh "${shipped[@]}" >/dev/null
  for pair in win32:x86 win64:x64; do
    file=$folder/${pair#*:}/Install.dll
    osslsigncode remove-signature -in "$file" -out "$stage/unsigned.dll" >/dev/null
    cmp -s "$stage/unsigned.dll" "build/${pair%%:*}/bin/Install.dll" || {
      echo "release.sh: $file without its signature is not the built DLL" >&2
      return 1
    }
    rm "$stage/unsigned.dll"
  done
  echo "signed: ${#shipped[@]} files" >&2
}
if scripts/sign.sh --configured; then
  sign_release "$stage/dll"
else
  echo "unsigned release: no signing key given (INSTALL_SIGN_PKCS12 or INSTALL_SIGN_PKCS11_MODULE)" >&2
fi
pack "$out/Install-$version-windows.zip" "$stage/dll"
pack "$out/Install-$version-windows-symbols.zip" "$stage/symbols"
echo "$out/Install-$version-windows.zip"
echo "$out/Install-$version-windows-symbols.zip"
