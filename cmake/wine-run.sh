#!/usr/bin/env bash
# Runs a Windows program of this build under Wine: wine-run.sh LOADER PROGRAM
# [ARGS...]. Each build folder gets a Wine prefix of its own beside bin/, so a
# test never sees another build's registry or files; its server is held for
# the whole test run by cmake/wine-server.sh.
#
# A run that outlasts INSTALL_WINE_TIME_LIMIT seconds (default 240) is
# stopped, and a run that fails with Wine's own complaint, or with no output
# at all, says that Wine, not the program, is the likely cause.
loader=$1
shift
program_folder=$(cd "$(dirname "$1")" 2>/dev/null && pwd)
WINEPREFIX=${INSTALL_WINEPREFIX:-$(dirname "$program_folder")/wineprefix}
WINEDEBUG=-all
# No Mono or Gecko installer dialogs when the prefix is first made.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
limit=${INSTALL_WINE_TIME_LIMIT:-240}

output=$(mktemp)
trap 'rm -f "$output"' EXIT
timeout --kill-after=10 "$limit" "$loader" "$@" 2>&1 | tee "$output"
code=${PIPESTATUS[0]}
program=$(basename "$1")
if [ "$code" -eq 124 ] || [ "$code" -eq 137 ]; then
  echo "wine-run: $program did not finish within $limit s under Wine and was stopped" >&2
elif [ "$code" -ne 0 ] && grep -qE '^(wine: |wine client error|.*Exec format error)' "$output"; then
  echo "wine-run: Wine itself could not run $program (exit $code): see its message above" >&2
elif [ "$code" -ne 0 ] && [ ! -s "$output" ]; then
  echo "wine-run: $program ended with exit $code and printed nothing: Wine did not start" \
       "it, or it died before its first line" >&2
fi
exit "$code"
