#!/usr/bin/env bash
# screenshot-dialog.sh [BUILD_FOLDER] [PICTURE]: shows the User Information
# dialog of the 64-bit Install.dll under Wine on a virtual screen, with
# sample text typed in, and saves a picture of it (default
# docs/user-info-dialog.png). Needs xvfb, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
picture=${2:-docs/user-info-dialog.png}
WINE=${WINE:-/usr/lib/wine/wine64}
WORK=$(mktemp -d)
source scripts/wine-desktop.sh

missing=$(missing_desktop_tools import)
if [ -n "$missing" ]; then
  echo "missing: $missing (apt-get install xvfb xdotool imagemagick wine64)" >&2
  exit 1
fi
[ -f "$build/bin/installctl.exe" ] || { echo "build $build first (cmake --preset win64)" >&2; exit 1; }

trap 'stop_desktop; rm -rf "$WORK"' EXIT
start_desktop

"$WINE" "$build/bin/installctl.exe" RequestUserInfo >/dev/null 2>&1 &
host=$!
dialog=$(wait_for_window "Required Installation Information")
press "$dialog" Home
type_text "Jane Roe"
xdotool key Tab
type_text "Example Ltd"
sleep 0.5

eval "$(xdotool getwindowgeometry --shell "$dialog")"
mkdir -p "$(dirname "$picture")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$picture"
press "$dialog" Escape
wait "$host" || true
echo "saved $picture (${WIDTH}x${HEIGHT})"
