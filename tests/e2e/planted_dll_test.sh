#!/usr/bin/env bash
# planted_dll_test.sh PREFIX LOADER INSTALL_DLL HOST PLANTED_DLL: a host loads
# Install.dll from a folder that also holds a planted comctl32.dll, with Wine
# told to prefer such a copy (as Windows' search order would, comctl32 not
# being a known DLL). Loading the library, calling it (the dialog's path
# included) and unloading it must never load the planted copy; a bare-name
# load in the same folder does, which shows that the check can fail.
set -euo pipefail
prefix=$1 loader=$2 library=$3 host=$4 planted=$5
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
cp "$library" "$host" "$planted" "$folder/"
run() {
  rm -f "$folder/comctl32-was-loaded"
  # No display: the dialog fails to show at once instead of waiting for a
  # user, after the library has registered the common controls.
  (cd "$folder" && env -u DISPLAY WINEPREFIX="$prefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES="comctl32=n,b;mscoree,mshtml=" "$loader" "$folder/$(basename "$host")" "$@")
}
run bare-name || { echo "the bare-name load failed"; exit 1; }
[ -e "$folder/comctl32-was-loaded" ] || { echo "the planted copy is not what a bare-name load gets"; exit 1; }
run || { echo "the host could not load or call Install.dll"; exit 1; }
[ ! -e "$folder/comctl32-was-loaded" ] || { echo "loading or calling Install.dll loaded the planted comctl32.dll"; exit 1; }
echo "the planted comctl32.dll was never loaded"
