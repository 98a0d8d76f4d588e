# Sourced by the scripts that show the Windows dialog: a virtual screen, a
# fresh Wine prefix, and helpers to find windows and press keys.
# Needs: WINE (the wine64 loader) and WORK (a scratch folder) set.

WINE_DESKTOP_TOOLS=(Xvfb xdotool xmodmap)

# Prints the tools of WINE_DESKTOP_TOOLS (plus any given) that are missing.
missing_desktop_tools() {
  local tool
  for tool in "${WINE_DESKTOP_TOOLS[@]}" "$@"; do
    command -v "$tool" >/dev/null 2>&1 || echo "$tool"
  done
  [ -x "$WINE" ] || echo "$WINE"
}

start_desktop() {
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$WORK/display" 2>/dev/null &
  XVFB_PID=$!
  local tries=0
  until [ -s "$WORK/display" ]; do
    sleep 0.1
    tries=$((tries + 1))
    [ $tries -lt 100 ] || { echo "Xvfb did not start" >&2; return 1; }
  done
  export DISPLAY=":$(head -1 "$WORK/display")"
  export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  "$WINE" wineboot --init >/dev/null 2>&1
  # Without a window manager Wine draws the title bars itself.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$(dirname "$WINE")/wineserver" -w
}

stop_desktop() {
  [ -n "${WINEPREFIX:-}" ] && "$(dirname "$WINE")/wineserver" -k >/dev/null 2>&1 || true
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
}

# Waits until a visible window has exactly this title; prints its id. A
# search fails outright when a window goes away while it looks, so it polls.
wait_for_window() {
  local id tries=0
  until id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$id" ]; do
    sleep 0.2
    tries=$((tries + 1))
    [ $tries -lt 300 ] || { echo "no window titled '$1'" >&2; return 1; }
  done
  echo "$id"
}

# Waits until no visible window has this title any more.
wait_until_gone() {
  local tries=0
  while xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1; do
    sleep 0.1
    tries=$((tries + 1))
    [ $tries -lt 300 ] || { echo "window '$1' stays" >&2; return 1; }
  done
}

# Gives the window the keyboard, then sends the keys (xdotool key names).
press() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  sleep 0.2
  xdotool key --delay 80 "$@"
}

# xdotool types a character that no key gives by binding it to a spare key
# for the one press and putting the key back; Wine, when busy, can read the
# key map after that and lose the character. So each such character gets a
# spare key of its own first; the screen keeps it until its last client
# (the program typed into, at least) has gone.
type_text() {
  local spare char used=0 bindings=()
  mapfile -t spare < <(xmodmap -pke | awk '$NF == "=" && $2 > 8 {print $2}')
  while IFS= read -r char; do
    [[ " ${BOUND_CHARACTERS:-} " == *" $char "* ]] && continue
    [ $used -lt ${#spare[@]} ] || { echo "no spare key for $char" >&2; return 1; }
    bindings+=(-e "keycode ${spare[used]} = $(printf 'U%04X' "'$char")")
    used=$((used + 1))
    BOUND_CHARACTERS+=" $char"
  done < <(printf '%s' "$1" | grep -o '[^ -~]' | sort -u)
  [ ${#bindings[@]} -eq 0 ] || xmodmap "${bindings[@]}"
  xdotool type --delay 60 "$1"
}
