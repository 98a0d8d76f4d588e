#!/usr/bin/env bash
# debian_packages.sh VERSION: builds the Debian packages from a clean copy of
# the tree (scripts/debian-packages.sh), holds them to lintian --pedantic
# (no tag at all but the overridden ones), unpacks them into a scratch root,
# builds and runs a C host against it with pkg-config and with
# find_package(Install), runs the packaged installctl and renders its manual
# page.
set -euo pipefail
version=$1 arch=$(dpkg --print-architecture)
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d /tmp/install-package-test.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
expect() {  # expect OUTPUT COMMAND...
  local got
  got=$("${@:2}") || fail "${*:2} failed"
  [ "$got" = "$1" ] || fail "${*:2} printed '$got', not '$1'"
}
for tool in dpkg-buildpackage dh lintian help2man pkg-config man; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/install-deps.sh all"
done

"$here/../../scripts/debian-packages.sh" "$scratch/out" >/dev/null
cd "$scratch/out"
for package in libinstall1 libinstall-dev installctl; do
  [ -f "${package}_${version}_${arch}.deb" ] || fail "no ${package}_${version}_${arch}.deb"
done

# Any tag lintian prints fails the test; an info tag that is right for this
# package is overridden in debian/, with its reason.
lintian_status=0
lintian --pedantic --display-info --fail-on error,warning,info,pedantic ./*.changes \
  >"$scratch/lintian" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$scratch/lintian" || true
[ "$lintian_status" -eq 0 ] || fail "lintian found the tags above"
# Hosts built against this version depend on it or later, not on it exactly.
expect "libinstall 1 libinstall1 (>= $version)" \
  sh -c "dpkg-deb --ctrl-tarfile libinstall1_${version}_${arch}.deb | tar -xO ./shlibs"

root=$scratch/root
for package in libinstall1 libinstall-dev installctl; do
  dpkg-deb -x "${package}_${version}_${arch}.deb" "$root"
done
libdir=$(dirname "$(find "$root/usr/lib" -name libinstall.so.1)")
[ "${libdir#"$root"}" = "/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)" ] ||
  fail "the library is in ${libdir#"$root"}, not the multiarch folder"
export LD_LIBRARY_PATH=$libdir

# pkg-config reads the unpacked tree as the system's own, its paths plain.
export PKG_CONFIG_LIBDIR=$libdir/pkgconfig PKG_CONFIG_SYSROOT_DIR=$root
export PKG_CONFIG_ALLOW_SYSTEM_CFLAGS=1 PKG_CONFIG_ALLOW_SYSTEM_LIBS=1
flags=$(echo $(pkg-config --cflags --libs install))
[ "$flags" = "-I$root/usr/include -L$libdir -linstall" ] || fail "pkg-config gives $flags"
cc -o "$scratch/by-pkg-config" "$here/consumer/consumer.c" $flags
expect "1 0" "$scratch/by-pkg-config"
cmake -S "$here/consumer" -B "$scratch/by-cmake" -DCMAKE_PREFIX_PATH="$root/usr" >/dev/null
cmake --build "$scratch/by-cmake" >/dev/null
expect "1 0" "$scratch/by-cmake/consumer"

expect "1" "$root/usr/bin/installctl" AreYouThere
expect "installctl $version" "$root/usr/bin/installctl" --version
page=$(MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/installctl.1.gz" 2>"$scratch/man.err")
[ ! -s "$scratch/man.err" ] || fail "man warns: $(cat "$scratch/man.err")"
for heading in "installctl - call the exports of the Install library" SYNOPSIS ENVIRONMENT \
               "installctl $version"; do
  grep -q "$heading" <<<"$page" || fail "the manual page has no '$heading'"
done
echo "packages $(ls ./*.deb | tr '\n' ' '): lintian clean; pkg-config and find_package hosts" \
     "built and ran; installctl and its manual page work"
