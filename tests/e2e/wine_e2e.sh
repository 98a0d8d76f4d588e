# Sourced by the example installer's test, which drives Windows programs under
# Wine on a virtual screen. Needs WINE (a Wine loader) set.
WORK=$(mktemp -d)
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-desktop.sh"
trap 'stop_desktop; rm -rf "$WORK"' EXIT
fail=0

# Exits 77 (skipped) when a tool is missing, or fails under CI.
require_tools() {
  local missing
  missing=$(missing_desktop_tools "$@")
  [ -z "$missing" ] && return
  [ -n "${CI:-}" ] && { echo "FAIL: missing $missing" >&2; exit 1; }
  echo "skipped: missing $missing"
  exit 77
}

expect() {  # expect WHAT ACTUAL WANTED
  [ "$2" = "$3" ] && { echo "ok: $1"; return; }
  printf 'FAIL: %s: got\n%s\nwanted\n%s\n' "$1" "$2" "$3"
  fail=1
}

expect_bytes() {  # expect_bytes WHAT FILE PRINTF-FORMAT
  expect "$1" "$(od -An -c "$2" 2>&1)" "$(printf "$3" | od -An -c)"
}

# Prints the program's exit code once every process of the prefix has ended.
run_windows() {
  local code=0
  "$WINE" "$@" >/dev/null 2>&1 || code=$?
  "$(dirname "$WINE")/wineserver" -w
  echo "$code"
}

# Prints the values of keys of HKEY_CURRENT_USER as user.reg holds them.
registry_values() {
  local key
  for key in "$@"; do
    KEY="[$key]" awk 'index($0, ENVIRON["KEY"]) == 1 {inside = 1; next}
                      /^\[/ {inside = 0}
                      inside && /^"/ {print ENVIRON["KEY"] " " $0}' "$WINEPREFIX/user.reg" | sort
  done
}
