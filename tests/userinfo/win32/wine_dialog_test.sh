#!/usr/bin/env bash
# wine_dialog_test.sh WINE INSTALLCTL: the real dialog of the Windows build
# under Wine on a virtual screen, found by its title and driven with xdotool:
# text typed and then Esc answers 0 and leaves the registry as it was. (The
# example installer's test goes through the dialog to the end.)
set -euo pipefail
WINE=$1 installctl=$2
source "$(dirname "$0")/../../e2e/wine_e2e.sh"
require_tools
start_desktop
installation='Software\\Halvemark\\Installation'

"$WINE" "$installctl" RequestUserInfo >"$WORK/answer" 2>/dev/null &
host=$!
press "$(wait_for_window "Required Installation Information")" Home
type_text "Someone Else"
xdotool key Escape
wait "$host"
expect "Esc answers 0" "$(tr -d '\r' <"$WORK/answer")" 0
"$(dirname "$WINE")/wineserver" -w
expect "nothing under HKCU\\$installation" "$(registry_values "$installation")" ""
exit $fail
