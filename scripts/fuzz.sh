#!/usr/bin/env bash
# Builds the plug-in reference removal fuzz target with clang's libFuzzer,
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs it for a bounded
# time over the committed corpus. Exits non-zero on any crash or mismatch.
#
# usage: scripts/fuzz.sh [SECONDS]   (default 35; build in build/fuzz)
# Needs Debian's clang and libclang-rt-14-dev.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-35}
out=$root/build/fuzz
compiler=$(command -v clang++-14 || command -v clang++)
mkdir -p "$out/corpus"

"$compiler" -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root/include" -I"$root/src" -I"$root/tests/config" \
  "$root"/src/config/host_line.cpp "$root"/src/config/plugin_ref_filter.cpp \
  "$root"/src/platform/fallible_buffer.cpp "$root"/src/platform/fault_injection.cpp \
  "$root"/tests/config/fuzz/plugin_removal_fuzz.cpp -o "$out/plugin_removal_fuzz"

# New inputs land in the first folder, so the committed corpus stays as it is.
"$out/plugin_removal_fuzz" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
  -print_final_stats=1 -artifact_prefix="$out/" "$out/corpus" "$root/tests/config/fuzz/corpus"
