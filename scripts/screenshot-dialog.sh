#!/usr/bin/env bash
# screenshot-dialog.sh [BUILD_FOLDER] [PICTURE] [LOCALE TITLE]: shows the
# User Information dialog of the 64-bit Install.dll under Wine on a virtual
# screen, with sample text typed in, and saves a picture of it (default
# docs/user-info-dialog.png). Wine shows it in the language of LOCALE
# (default C.UTF-8: English); TITLE is the dialog's title in it, e.g.
#   scripts/screenshot-dialog.sh build/win64 docs/user-info-dialog-ja.png \
#     ja_JP.UTF-8 "インストールに必要な情報"
# Needs xvfb, xdotool and imagemagick, and fonts for the language's script
# (fonts-ipafont-gothic for Japanese).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/win64}
picture=${2:-docs/user-info-dialog.png}
locale=${3:-C.UTF-8}
title=${4:-Required Installation Information}
export LC_ALL=C.UTF-8  # for xdotool, which matches the title
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

LC_ALL=$locale "$WINE" "$build/bin/installctl.exe" RequestUserInfo >/dev/null 2>&1 &
host=$!
# xdotool's own search cannot match a title outside ASCII: names compared here.
for try in $(seq 300); do
  for dialog in $(xdotool search --onlyvisible --name . 2>/dev/null); do
    [ "$(xdotool getwindowname "$dialog" 2>/dev/null)" = "$title" ] && break 2
  done
  dialog=""
  sleep 0.2
done
[ -n "$dialog" ] || { echo "no window titled '$title'" >&2; exit 1; }
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
