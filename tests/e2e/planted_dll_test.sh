#!/usr/bin/env bash
# planted_dll_test.sh PREFIX LOADER INSTALL_DLL HOST PLANTED_DLL: a host loads
# Install.dll beside a planted comctl32.dll that Wine is told to prefer (as
# Windows' search order would); loading, calling (the dialog's path included)
# and unloading it never loads that copy, which a bare-name load there does.
set -euo pipefail
prefix=$1 loader=$2 library=$3 host=$4 planted=$5
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$library" "$host" "$planted" "$folder/"
run() {
  rm -f "$folder/comctl32-was-loaded"
  # No display: the dialog fails at once, after the common controls are registered.
  (cd "$folder" && env -u DISPLAY WINEPREFIX="$prefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES="comctl32=n,b;mscoree,mshtml=" "$loader" "$folder/$(basename "$host")" "$@")
}
run bare-name || { echo "the bare-name load failed"; exit 1; }
[ -e "$folder/comctl32-was-loaded" ] || { echo "the planted copy is not what a bare-name load gets"; exit 1; }
run || { echo "the host could not load or call Install.dll"; exit 1; }
[ ! -e "$folder/comctl32-was-loaded" ] || { echo "loading or calling Install.dll loaded the planted comctl32.dll"; exit 1; }
echo "the planted comctl32.dll was never loaded"
