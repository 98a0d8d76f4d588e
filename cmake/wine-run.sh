#!/bin/sh
# Runs a Windows program of this build under Wine: wine-run.sh LOADER PROGRAM
# [ARGS...]. Each build folder gets a Wine prefix of its own beside bin/, so a
# test never sees another build's registry or files.
loader=$1
shift
program_folder=$(cd "$(dirname "$1")" 2>/dev/null && pwd)
WINEPREFIX=${INSTALL_WINEPREFIX:-$(dirname "$program_folder")/wineprefix}
WINEDEBUG=-all
# No Mono or Gecko installer dialogs when the prefix is first made.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
exec "$loader" "$@"
