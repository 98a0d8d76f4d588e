#!/usr/bin/env bash
# wine_dialog_test.sh WINE INSTALLCTL: the real dialog of the Windows build
# under Wine on a virtual screen. Finds it by its title, types into it,
# presses Enter and Esc, and reads the registry Wine wrote afterwards.
# Exits 77 (skipped) when Xvfb or xdotool is missing, unless CI is set.
set -euo pipefail
WINE=$1
installctl=$2
WORK=$(mktemp -d)
source "$(dirname "$0")/../../../scripts/wine-desktop.sh"

missing=$(missing_desktop_tools)
if [ -n "$missing" ]; then
  if [ -n "${CI:-}" ]; then
    echo "FAIL: missing $missing" >&2
    exit 1
  fi
  echo "skipped: missing $missing"
  exit 77
fi
trap 'stop_desktop; rm -rf "$WORK"' EXIT
start_desktop

fail=0
expect() {  # expect WHAT ACTUAL WANTED
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: got '$2', wanted '$3'"
    fail=1
  else
    echo "ok: $1"
  fi
}

title="Required Installation Information"

# Enter with nothing typed: the message box, then the dialog again; a name
# and Enter store it with "(none)" for the company.
"$WINE" "$installctl" RequestUserInfo >"$WORK/first" 2>/dev/null &
host=$!
dialog=$(wait_for_window "$title")
press "$dialog" Return
message=$(wait_for_window "User Information")
press "$message" Return
wait_until_gone "User Information"
dialog=$(wait_for_window "$title")
press "$dialog" Home
type_text "Jane Roe"
xdotool key Return
wait "$host"
expect "Enter with a name answers 1" "$(tr -d '\r' <"$WORK/first")" 1

# Typed text and Esc: nothing stored.
"$WINE" "$installctl" RequestUserInfo >"$WORK/second" 2>/dev/null &
host=$!
dialog=$(wait_for_window "$title")
press "$dialog" Home
type_text "Someone Else"
xdotool key Escape
wait "$host"
expect "Esc answers 0" "$(tr -d '\r' <"$WORK/second")" 0

"$(dirname "$WINE")/wineserver" -w
values=$(awk '/^\[Software\\\\Halvemark\\\\Installation\]/ {inside=1; next}
              /^\[/ {inside=0}
              inside && /^"/ {print}' "$WINEPREFIX/user.reg" | sort)
expect "values under HKCU\\Software\\Halvemark\\Installation" "$values" \
  "$(printf '%s\n' '"CompanyName"="(none)"' '"UserName"="Jane Roe"')"
exit $fail
