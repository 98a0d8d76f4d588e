#!/usr/bin/env bash
# nsis_example_test.sh WINE INSTALL_DLL SAMPLE_HOST INSTALLCTL TARGET [interactive]:
# the example installer for TARGET and its uninstaller, silent, then with bad
# input, checked by the host's bytes and the registry; Unicode targets use a
# host folder outside the ANSI code page and one over 300 characters long.
# "interactive": the dialog left with Esc (INSTALLCTL), then used to install.
set -euo pipefail
WINE=$1 dll=$2 sample_host=$3 installctl=$4 target=$5
WORK=$(mktemp -d)
# Names outside the code page pass through the command line as UTF-8.
export LC_ALL=C.UTF-8
source "$(dirname "$0")/../../scripts/wine-desktop.sh"
trap 'stop_desktop; rm -rf "$WORK"' EXIT
fail=0

expect() {  # expect WHAT ACTUAL WANTED
  [ "$2" = "$3" ] && { echo "ok: $1"; return; }
  printf 'FAIL: %s: got\n%s\nwanted\n%s\n' "$1" "$2" "$3"
  fail=1
}

expect_bytes() {  # expect_bytes WHAT FILE PRINTF-FORMAT
  expect "$1" "$(od -An -c "$2" 2>&1)" "$(printf "$3" | od -An -c)"
}

# Prints the program's exit code once every process of the prefix has ended;
# a program or a prefix that has not ended in 90 s is reported by name.
run_windows() {
  local code=0
  timeout 90 "$WINE" "$@" >/dev/null 2>&1 || code=$?
  [ $code -ne 124 ] || echo "still running after 90 s: $*" >&2
  timeout 90 "$(dirname "$WINE")/wineserver" -w || echo "prefix still busy after 90 s: $*" >&2
  echo "$code"
}

# The values of HKEY_CURRENT_USER keys in user.reg, its \x escapes decoded.
registry_values() {
  local key
  for key in "$@"; do
    KEY="[$key]" awk 'index($0, ENVIRON["KEY"]) == 1 {inside = 1; next}
                      /^\[/ {inside = 0}
                      inside && /^"/ {print ENVIRON["KEY"] " " $0}' "$WINEPREFIX/user.reg" |
      perl -CS -pe 's/\\\\|\\x([0-9a-f]{1,4})/defined $1 ? chr(hex $1) : "\\\\"/ge' | sort
  done
}

# A missing tool skips the test (exit 77), or fails it under CI.
missing=$(missing_desktop_tools makensis)
if [ -n "$missing" ]; then
  [ -n "${CI:-}" ] && { echo "FAIL: missing $missing" >&2; exit 1; }
  echo "skipped: missing $missing"
  exit 77
fi
script=$(dirname "$0")/../../examples/nsis/plugin-setup.nsi
build() {  # build NAME DEFINE...
  makensis -V1 -DTARGET="$target" -DOUTFILE="$WORK/$1.exe" "${@:2}" "$script"
}
build setup -DINSTALL_DLL="$dll"
build refused-token -DINSTALL_DLL="$dll" -DTOKEN=42
build no-library -DINSTALL_DLL="$script"
start_desktop

if [ "$target" = x86-ansi ]; then
  W='' folder='Host'
else
  # No blanks: Wine quotes an argument that has one, and /D= must be unquoted.
  W=W folder='Łódź-東京-Ж'
fi
host=$WINEPREFIX/drive_c/$folder
plugin=$host/Plugins/SampleBlur
installation='Software\\Halvemark\\Installation'
uninstall='Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\SampleBlur'
before='ZKCO 3\r\n0\r\nWindow 640 480\r\nPlugin C:\\Old\\SAMPLEBLUR.dll\r\nPlugin C:\\Other.dll\n'
removed='ZKCO 3\r\n0 \r\nWindow 640 480\r\nPlugin C:\\Other.dll\r\n'
installed="${removed}Plugin Plugins\\\\SampleBlur\\\\SampleBlur.dll\r\n"
make_host() { mkdir -p "$1" && cp "$sample_host" "$1/Host.exe" && printf "$before" >"$1/host.cfg"; }
# What setup and its uninstaller left in the temporary folder: files, and
# setup's plug-in folders. The uninstaller's copy of itself in "~nsu*.tmp" is
# NSIS's own, which it leaves for Windows to delete at the next start.
leftovers() {
  find "$WINEPREFIX/drive_c/users" -path '*/Temp/~nsu*' -prune -o -path '*/Temp/*' \
    \( -type f -o -iname 'ns*.tmp' \) -printf '%P ' 2>/dev/null
}
make_host "$host"

expect "silent install" "$(run_windows "$WORK/setup.exe" /S /USER=Jane /COMPANY=Acme \
  '/LOG=C:\install.log' "/D=C:\\$folder")" 0
expect_bytes "host.cfg after install" "$host/host.cfg" "$installed"
expect_bytes "host.cfg.bak from DOSSpawn" "$host/host.cfg.bak" "$before"
expect_bytes "host started by WINSpawn" "$host/started.txt" '/first-run\n1\n'
size_kb=$(find "$plugin" -type f -printf '%s\n' | awk '{kb += int($1 / 1024)} END {printf "%08x", kb}')
expect "log of the install: export, token, result" "$(sed -E \
  's/.* pid=[0-9]+ ([A-Za-z_]+) token=([a-z-]+) .*result=(-?[0-9]+).*/\1 \2 \3/' \
  "$WINEPREFIX/drive_c/install.log" | tr -d '\r' | tr '\n' ' ')" \
  "AreYouThere not-gated 1 GetDirSizeKB$W not-gated 0 DOSSpawn$W accepted 0 ExZKCFG_RemovePluginRefs$W accepted 0 \
ExZKCFG_AppendBuffer$W accepted 0 GetDirSizeKB$W not-gated $((16#$size_kb)) WINSpawn$W accepted 33 \
AreYouThere not-gated 1 "
expect "registry after install" "$(registry_values "$installation" "$uninstall")" \
  "[$installation] \"CompanyName\"=\"Acme\"
[$installation] \"UserName\"=\"Jane\"
[$uninstall] \"DisplayName\"=\"SampleBlur plug-in\"
[$uninstall] \"EstimatedSize\"=dword:$size_kb
[$uninstall] \"UninstallString\"=\"\\\"C:\\\\$folder\\\\Plugins\\\\SampleBlur\\\\Uninstall.exe\\\"\""

expect "silent uninstall" "$(run_windows "$plugin/Uninstall.exe" /S)" 0
expect_bytes "host.cfg after uninstall" "$host/host.cfg" "$removed"
expect "files after uninstall" "$(cd "$host" && find . | sort | tr '\n' ' ')" \
  ". ./Host.exe ./Plugins ./host.cfg ./host.cfg.bak ./started.txt "
expect "registry after uninstall" "$(registry_values "$uninstall")" ""
expect "temporary folder after install and uninstall" "$(leftovers)" ""

# A folder with blanks and letters beyond ASCII, /LOG= before the other
# options. /D= comes unquoted, as NSIS wants it (Wine would quote a blank).
spaced_host="$WINEPREFIX/drive_c/Programme Ü/Host Ä"
make_host "$spaced_host"
expect "install into a folder with blanks, /LOG= first" "$(run_windows "$WORK/setup.exe" \
  '/LOG=C:\spaced.log' /S /USER=Jane '/D=C:\Programme' 'Ü\Host' Ä)" 0
expect_bytes "host.cfg in the folder with blanks" "$spaced_host/host.cfg" "$installed"
expect "log of the install into the folder with blanks" \
  "$(grep -c ' result=' "$WINEPREFIX/drive_c/spaced.log" 2>&1)" 8
expect "uninstall from the folder with blanks" \
  "$(run_windows "$spaced_host/Plugins/SampleBlur/Uninstall.exe" /S)" 0
expect_bytes "host.cfg in the folder with blanks after uninstall" "$spaced_host/host.cfg" "$removed"
# A quoted /D= (which NSIS does not take) must not be read into the last option.
run_windows "$WORK/setup.exe" /S /USER=Jane '/LOG=C:\quoted.log' '/D=C:\Programme Ü\Host Ä' >/dev/null
expect "log named before a quoted /D=" "$(test -s "$WINEPREFIX/drive_c/quoted.log" && echo written)" \
  written

# A library that does not load, a refused token, a missing host.cfg: code 2, nothing installed.
expect "no library" "$(run_windows "$WORK/no-library.exe" /S /USER=Jane "/D=C:\\$folder")" 2
expect "refused token" "$(run_windows "$WORK/refused-token.exe" /S /USER=Jane "/D=C:\\$folder")" 2
expect_bytes "host.cfg after a refused token" "$host/host.cfg" "$removed"
rm "$host/host.cfg"
expect "missing host.cfg" "$(run_windows "$WORK/setup.exe" /S /USER=Jane "/D=C:\\$folder")" 2
expect "files after refusals" "$(cd "$host" && find . | sort | tr '\n' ' ')" \
  ". ./Host.exe ./Plugins ./host.cfg.bak ./started.txt "

if [ -n "$W" ]; then
  # Once more in a folder whose path is over 300 characters.
  long=$folder
  for level in 1 2 3 4 5; do long+="\\level-$level-of-a-folder-tree-deeper-than-the-old-path-limit-allows"; done
  long_host=$WINEPREFIX/drive_c/${long//\\//}
  make_host "$long_host"
  expect "install in a path of ${#long} characters" "$(run_windows "$WORK/setup.exe" /S /USER=Jane \
    "/D=C:\\$long")" 0
  expect_bytes "long-path host.cfg after install" "$long_host/host.cfg" "$installed"
  # A program this deep is started by its short path, in its \\?\ form,
  # which Wine's CreateProcess also takes as it is.
  expect "long-path host start" "$("$WINE" "$installctl" WINSpawn "\"C:\\$long\\Host.exe\" /x" |
    tr -d '\r')" 33
  "$(dirname "$WINE")/wineserver" -w
  expect_bytes "long-path host started by WINSpawnW" "$long_host/started.txt" '/x\n1\n'
  expect "long-path size" "$(registry_values "$uninstall" | sed -n 's/.*EstimatedSize"=dword://p')" \
    "$(find "$long_host/Plugins" -type f -printf '%s\n' | awk '{kb += int($1 / 1024)} END {printf "%08x", kb}')"
  expect "long-path uninstall" "$(run_windows "$long_host/Plugins/SampleBlur/Uninstall.exe" /S)" 0
  expect_bytes "long-path host.cfg after uninstall" "$long_host/host.cfg" "$removed"
fi

if [ "${6:-}" = interactive ]; then
  # Text typed and then Esc: the call answers 0 and stores nothing.
  stored=$(registry_values "$installation")
  "$WINE" "$installctl" RequestUserInfo >"$WORK/answer" 2>/dev/null &
  dialog=$!
  press "$(wait_for_window "Required Installation Information")" Home
  type_text "Someone Else"
  xdotool key Escape
  wait $dialog
  "$(dirname "$WINE")/wineserver" -w
  expect "Esc answers 0" "$(tr -d '\r' <"$WORK/answer")" 0
  expect "registry after Esc" "$(registry_values "$installation")" "$stored"

  printf "$before" >"$host/host.cfg"
  "$WINE" "$WORK/setup.exe" "/D=C:\\$folder" >/dev/null 2>&1 &
  setup=$!
  press "$(wait_for_window "Installer Language")" Return
  press "$(wait_for_window "SampleBlur plug-in Setup: Installation Folder")" Return
  # Enter with no name (the message box), then the name and company and Enter.
  press "$(wait_for_window "Required Installation Information")" Return
  press "$(wait_for_window "User Information")" Return
  wait_until_gone "User Information"
  press "$(wait_for_window "Required Installation Information")" Home
  type_text "Zoë Łukasz Żółć"
  xdotool key Tab
  type_text "Acme Łódź"
  xdotool key Return
  # Setup's work is done by its Completed page, which Wine may not let keys close.
  wait_for_window "SampleBlur plug-in Setup: Completed" >/dev/null
  "$(dirname "$WINE")/wineserver" -k
  wait $setup || true
  "$(dirname "$WINE")/wineserver" -w
  expect_bytes "host.cfg after an interactive install" "$host/host.cfg" "$installed"
  expect "registry after an interactive install" "$(registry_values "$installation")" \
    "[$installation] \"CompanyName\"=\"Acme Łódź\"
[$installation] \"UserName\"=\"Zoë Łukasz Żółć\""

  # German preselected for a German user, and the dialog in German. Wine
  # picks resources by the process's locale and ignores the thread's UI
  # language that setup sets, so this run shows the German dialog, not the
  # choice of a language other than the user's.
  LC_ALL=de_DE.UTF-8 "$WINE" "$WORK/setup.exe" "/D=C:\\$folder" >/dev/null 2>&1 &
  setup=$!
  press "$(wait_for_window "Installer Language")" Return
  press "$(wait_for_window "Installation von SampleBlur plug-in: Zielverzeichnis")" Return
  german=$(wait_for_window "Erforderliche Installationsinformationen") || german=""
  expect "a German installer shows the German dialog" "$([ -n "$german" ] && echo shown)" shown
  "$(dirname "$WINE")/wineserver" -k
  wait $setup || true
  "$(dirname "$WINE")/wineserver" -w
fi
exit $fail
