#!/usr/bin/env bash
# check_resources.sh WINDRES LIBRARY VERSION
# The User Information dialog and the version record exactly as the built DLL
# carries them, decompiled by windres; VERSION is the project's, as 1.0.1.0.
set -euo pipefail
version=${3//./, }
# Comments, blank lines and BEGIN/END are left out; the blocks' names stay.
diff -u - <("$1" -i "$2" -O rc | sed -E '/^\/\*/,/\*\/$/d; /^ *(BEGIN|END)?$/d') <<EOF
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
