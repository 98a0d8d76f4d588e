#!/usr/bin/env bash
# The diagnostic log's cost per call: runs call_overhead on a folder of ten
# small files. Give a library built without the log as BASELINE to compare
# the call with INSTALL_LOG unset against it; bench/README.md has figures.
#
# usage: bench/call_overhead.sh [BUILD_DIR] [BASELINE_LIBRARY]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
bench=$build/bin/call_overhead
[ -x "$bench" ] || { echo "build $build first (call_overhead)" >&2; exit 1; }
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for i in $(seq 10); do head -c $((i * 700)) /dev/zero >"$folder/file$i"; done
"$bench" "$build/bin/libinstall.so" "$folder" ${2:+"$2"}
