#!/bin/sh
# Rewrites FILE in place by the removal's rules in awk, for timing.
# usage: remove_with_awk.sh FILE PLUGIN_NAME
LC_ALL=C mawk -v name="$2" -f "$(dirname "$0")/remove_plugin.awk" "$1" >"$1.awk-tmp" &&
  mv "$1.awk-tmp" "$1"
