#!/usr/bin/env bash
# readme_quotes_example.sh README EXAMPLE: every line of the README's nsis
# blocks must be a line of the example installer script, which the tests
# build and run, so that no snippet a script author copies is untested.
set -euo pipefail
awk 'FNR == NR { gsub(/^[ \t]+|[ \t\r]+$/, ""); lines[$0] = 1; next }
     /^```nsis/ { inside = 1; next }
     /^```/ { inside = 0 }
     inside { quoted++; gsub(/^[ \t]+|[ \t]+$/, "") }
     inside && $0 != "" && !($0 in lines) { print "not in the example: " $0; bad = 1 }
     END { if (!quoted) print "the README shows no nsis block"; exit bad || !quoted }' "$2" "$1"
