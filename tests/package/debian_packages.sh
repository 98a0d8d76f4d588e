#!/usr/bin/env bash
# debian_packages.sh VERSION: builds the Debian packages from a clean copy of the
# tree; lintian --pedantic finds nothing in them; unpacked into a scratch root
# they build and run C hosts (pkg-config, find_package), installctl, its page.
set -euo pipefail
version=$1 arch=$(dpkg --print-architecture) here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d /tmp/install-package-test.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
expect() { [ "$("${@:2}")" = "$1" ] || fail "${*:2} did not print '$1'"; }  # OUTPUT COMMAND...
DEB_BUILD_OPTIONS=nocheck "$here/../../scripts/debian-packages.sh" "$scratch/out" >/dev/null  # the presets run the suite
cd "$scratch/out"
lintian --pedantic -I -E --fail-on error,warning,info,pedantic,experimental ./*.changes \
  >"$scratch/lintian" 2>&1 || { grep -v "root privileges" "$scratch/lintian"; fail lintian; }
# Hosts built against this version depend on it or later, not on it exactly.
expect "libinstall 1 libinstall1 (>= $version)" \
  sh -c "dpkg-deb --ctrl-tarfile libinstall1_${version}_$arch.deb | tar -xO ./shlibs"
root=$scratch/root libdir=$scratch/root/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)
for package in libinstall1 libinstall-dev installctl; do dpkg-deb -x "${package}_${version}_$arch.deb" "$root"; done
export LD_LIBRARY_PATH=$libdir PKG_CONFIG_LIBDIR=$libdir/pkgconfig PKG_CONFIG_SYSROOT_DIR=$root
export PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 PKG_CONFIG_ALLOW_SYSTEM_LIBS=1
expect "-I$root/usr/include -L$libdir -linstall" sh -c 'echo $(pkg-config --cflags --libs install)'
cc -o "$scratch/by-pkg-config" "$here/consumer/consumer.c" $(pkg-config --cflags --libs install)
expect "1 0" "$scratch/by-pkg-config"
cmake -S "$here/consumer" -B "$scratch/by-cmake" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$scratch/by-cmake" >/dev/null
expect "1 0" "$scratch/by-cmake/consumer"
expect "1" "$root/usr/bin/installctl" AreYouThere
expect "installctl $version" "$root/usr/bin/installctl" --version
man --warnings -l "$root/usr/share/man/man1/installctl.1.gz" >"$scratch/page" 2>"$scratch/warnings"
[ ! -s "$scratch/warnings" ] && grep -q "installctl - call the exports" "$scratch/page" ||
  fail "the manual page: $(cat "$scratch/warnings")"
echo "$(ls ./*.deb | tr '\n' ' '): lintian clean, hosts built and ran, installctl and its page work"
