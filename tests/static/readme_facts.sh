#!/usr/bin/env bash
# readme_facts.sh README HEADER LIMIT32 LIMIT64: the figures the README gives
# about the built library are the ones the build and the tests hold: how many
# exports and twins the header's table has, and the size goals the static
# test enforces.
set -euo pipefail
readme=$1 header=$2 limit32=$3 limit64=$4
words=(zero one two three four five six seven eight nine ten eleven twelve thirteen fourteen)
rows=$(sed -n '/^#define INSTALL_EXPORT_TABLE/,/[^\\]$/s/^ *X(\([A-Za-z_]*\),.*\([01]\))[ \\]*$/\2/p' "$header")
exports=$(wc -l <<<"$rows") twins=$(grep -c 1 <<<"$rows")
fail=0
expect() {  # expect PHRASE: the README must say it
  grep -qF -- "$1" <(tr '\n' ' ' <"$readme" | tr -s ' ') || { echo "the README does not say: $1"; fail=1; }
}
expect "calls its ${words[exports]} exported"
expect "All ${words[exports]} exports, and on Windows their ${words[twins]} Unicode twins"
expect "the ${words[exports + twins]} export names (${words[exports]} on Linux)"
expect "goals of $((limit32 / 1024)) KB 32-bit and $((limit64 / 1024)) KB 64-bit"
exit $fail
