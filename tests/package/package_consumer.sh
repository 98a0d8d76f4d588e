#!/usr/bin/env bash
# package_consumer.sh BUILD_DIR VERSION: unpacks the Debian package into a
# scratch root, builds and runs a C host found with pkg-config and with
# find_package(Install), and runs the packaged installctl.
set -euo pipefail
build=$1 version=$2 consumer=$(cd "$(dirname "$0")/consumer" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

expect() {  # expect OUTPUT COMMAND...
  [ "$("${@:2}")" = "$1" ] || { echo "FAIL: ${*:2} did not print '$1'"; exit 1; }
}
(cd "$scratch" && cpack -G DEB --config "$build/CPackConfig.cmake" >/dev/null)
deb=$(echo "$scratch"/libinstall_*.deb)
expect "libinstall $version" dpkg-deb --show --showformat='${Package} ${Version}' "$deb"
dpkg-deb -x "$deb" "$scratch/root"
library=$(find "$scratch/root" -name libinstall.so.1)
export LD_LIBRARY_PATH=${library%/*}
export PKG_CONFIG_PATH=${library%/*}/pkgconfig
cc -o "$scratch/by-pkg-config" "$consumer/consumer.c" $(pkg-config --cflags --libs install)
expect "1 0" "$scratch/by-pkg-config"
cmake -S "$consumer" -B "$scratch/by-cmake" -DCMAKE_PREFIX_PATH="$scratch/root/usr" >/dev/null
cmake --build "$scratch/by-cmake" >/dev/null
expect "1 0" "$scratch/by-cmake/consumer"
expect "1" "$scratch/root/usr/bin/installctl" AreYouThere
expect "installctl $version" "$scratch/root/usr/bin/installctl" --version
echo "package $(basename "$deb"): pkg-config and find_package hosts built and ran"
