#!/usr/bin/env bash
# wine-probe.sh LOADER BITS: can this machine run Windows programs of BITS
# (32 or 64) bits with LOADER? Prints nothing and exits 0 when it can;
# otherwise prints the reason in one line and exits 1. The loader is run,
# not only looked for: a kernel built or booted without 32-bit support has
# the 32-bit loader installed and still cannot start it.
loader=$1 bits=$2
package=wine$([ "$bits" = 64 ] && echo 64 || echo 32)
if [ ! -e "$loader" ]; then
  echo "$package could not be installed"
  exit 1
fi
output=$("$loader" --version 2>&1 </dev/null) && exit 0
code=$?
if [ $code -eq 126 ] && grep -q "Exec format error" <<<"$output"; then
  echo "this kernel cannot run $bits-bit programs"
else
  echo "the $bits-bit Wine loader failed (exit $code): $(head -n1 <<<"$output")"
fi
exit 1
