#!/usr/bin/env bash
# Builds the native library and installctl, then runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake --preset native >/dev/null
cmake --build --preset native --target installctl
exec build/native/bin/installctl demo
