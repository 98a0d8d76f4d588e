#!/usr/bin/env bash
# check_resources.sh WINDRES LIBRARY VERSION
# The User Information dialog, its message and the version record exactly as
# the built DLL carries them in US English, decompiled by windres; then the
# dialog and the message in every other language: the English dialog's
# controls in its order, one mnemonic, mirrored in Arabic and Hebrew only.
# VERSION is the project's, as 1.0.1.0.
set -euo pipefail
version=${3//./, }
# Comments, blank lines and BEGIN/END are left out; the blocks' names stay.
resources=$("$1" -i "$2" -O rc | sed -E '/^\/\*/,/\*\/$/d; /^ *(BEGIN|END)?$/d')

# A line per dialog and string table: its language, then for a dialog whether
# it is mirrored, its controls (kind and id) and its ampersands.
summary() {
  awk 'function flush() {if (table) print language, "strings" ids; table = 0}
       /^LANGUAGE/ {flush(); language = $2 $3; next}
       table && /^  [0-9]+,/ {ids = ids " " $1; next}
       {flush()}
       /^STRINGTABLE/ {table = 1; ids = ""}
       / DIALOG / {dialog = 1; layout = "ltr"; controls = ""; amps = 0}
       dialog && /^EXSTYLE 0x400000$/ {layout = "rtl"}
       dialog && /^  [A-Z]+ / {
         id = $0; sub(/.*", /, "", id); if ($2 ~ /^[0-9]/) id = $2; sub(/,.*/, "", id)
         controls = controls " " $1 ":" id
         text = $0; amps += gsub(/&/, "", text)}
       dialog && /DEFPUSHBUTTON/ {print language, "dialog", layout, controls, "&x" amps; dialog = 0}
       END {flush()}' | sort -V
}
controls="RTEXT:65535 EDITTEXT:1001 RTEXT:65535 EDITTEXT:1002 DEFPUSHBUTTON:1 &x1"
expected_summary() {
  local language layout
  for language in 1,0 4,1 4,2 5,0 7,0 9,1 10,0 12,0 13,0 16,0 17,0 18,0 19,0 21,0 22,1 25,0 \
    31,0 34,0; do
    case $language in 1,0 | 13,0) layout=rtl ;; *) layout=ltr ;; esac
    echo "$language dialog $layout  $controls"
    echo "$language strings 1, 2,"
  done | sort -V
}
diff -u <(expected_summary) <(summary <<<"$resources")

# US English: everything under LANGUAGE 9, 1, that line once.
english() {
  awk '/^LANGUAGE/ {keep = $0 == "LANGUAGE 9, 1"; if (keep && seen++) next} keep'
}
diff -u - <(english <<<"$resources") <<EOF
LANGUAGE 9, 1
101 DIALOG 0, 0, 246, 101
STYLE 0x80c000c0
CAPTION "Required Installation Information"
FONT 8, "MS Sans Serif"
  RTEXT "User Name:", 65535, 7, 37, 95, 8, 0x50020002
  EDITTEXT 1001, 106, 34, 133, 14, 0x50810080
  RTEXT "Company Name:", 65535, 7, 59, 95, 8, 0x50020002
  EDITTEXT 1002, 106, 57, 133, 14, 0x50810080
  DEFPUSHBUTTON "&Accept", 1, 106, 80, 50, 14, 0x50010001
STRINGTABLE
  1, "Please enter a user name."
  2, "User Information"
1 VERSIONINFO
 FILEVERSION $version
 PRODUCTVERSION $version
 FILEFLAGSMASK 0x3f
 FILEOS 0x4
 FILETYPE 0x2
  BLOCK "StringFileInfo"
    BLOCK "040904b0"
      VALUE "Comments", "InstallDLL"
      VALUE "CompanyName", "Halvemark"
      VALUE "FileDescription", ""
      VALUE "FileVersion", "$version"
      VALUE "InternalName", "Install.dll"
      VALUE "OriginalFilename", "Install.dll"
      VALUE "ProductName", "Installation"
      VALUE "ProductVersion", "$version"
  BLOCK "VarFileInfo"
    VALUE "Translation", 0x409, 1200
EOF
