#!/usr/bin/env bash
# wine_dialog_test.sh WINE INSTALLCTL: the real dialog of the Windows build
# under Wine on a virtual screen, found by its title and driven with xdotool;
# the values are read back from the registry Wine wrote.
set -euo pipefail
WINE=$1
installctl=$2
source "$(dirname "$0")/../../e2e/wine_e2e.sh"
require_tools
start_desktop
installation='Software\\Halvemark\\Installation'

# Enter with nothing typed: the message box, then the dialog again; a name
# and Enter store it with "(none)" for the company.
"$WINE" "$installctl" RequestUserInfo >"$WORK/first" 2>/dev/null &
host=$!
refuse_then_accept_user_info "Jane Roe" ""
wait "$host"
expect "Enter with a name answers 1" "$(tr -d '\r' <"$WORK/first")" 1

# Typed text and Esc: nothing stored.
"$WINE" "$installctl" RequestUserInfo >"$WORK/second" 2>/dev/null &
host=$!
dialog=$(wait_for_window "Required Installation Information")
press "$dialog" Home
type_text "Someone Else"
xdotool key Escape
wait "$host"
expect "Esc answers 0" "$(tr -d '\r' <"$WORK/second")" 0

"$(dirname "$WINE")/wineserver" -w
expect "values under HKCU\\$installation" "$(registry_values "$installation")" \
  "[$installation] \"CompanyName\"=\"(none)\"
[$installation] \"UserName\"=\"Jane Roe\""
exit $fail
