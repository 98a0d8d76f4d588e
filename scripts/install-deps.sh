#!/usr/bin/env bash
# install-deps.sh demo|all: installs the Debian packages the build needs and
# are missing. "demo" is what the native library and installctl need; "all"
# adds the cross compilers, Wine and the test tools.
set -euo pipefail

DEMO_PACKAGES=(cmake ninja-build g++ libgtest-dev)
ALL_PACKAGES=(
  "${DEMO_PACKAGES[@]}"
  googletest                                   # sources, built for the cross builds
  g++-mingw-w64-i686 g++-mingw-w64-x86-64      # Install.dll, 32- and 64-bit
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64                                       # runs the 64-bit tests
  clang libclang-rt-14-dev                     # libFuzzer
  xvfb xdotool x11-xserver-utils               # the Windows dialog under Wine, on a virtual screen
  dpkg-dev debhelper lintian help2man          # the Debian packages, checked, with the manual page
  file pkg-config man-db                       # the hosts built against them; the page rendered
  zip xz-utils                                 # release archives; LZMA sizes in bench/sizes.sh
  nsis                                         # makensis builds the example installer
  python3                                      # the PE checksum after each Windows link
  osslsigncode openssl unzip                   # signed releases: Authenticode, the test's authority
  softhsm2 libengine-pkcs11-openssl            # signing through PKCS#11, tested on a software token
  locales                                      # localedef: the locales of the terminal form's test
  acl                                          # setfacl: a folder's default access list in the edit tests
  gettext                                      # msgfmt: the terminal form's catalogues from po/
)
# Runs the 32-bit DLL's tests. It comes from the i386 architecture, whose
# index may be unreachable: then the 32-bit tests are reported as skipped.
WINE32=wine32

case "${1:-all}" in
  demo) wanted=("${DEMO_PACKAGES[@]}") ;;
  all) wanted=("${ALL_PACKAGES[@]}") ;;
  *) echo "usage: install-deps.sh demo|all" >&2; exit 2 ;;
esac

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing=()
for package in "${wanted[@]}"; do
  installed "$package" || missing+=("$package")
done
want_wine32=no
[ "${1:-all}" = all ] && ! installed "$WINE32" && want_wine32=yes
[ ${#missing[@]} -eq 0 ] && [ $want_wine32 = no ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
apt_install() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "$@"
}
if [ $want_wine32 = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
# An index that fails to update (often the foreign architecture's) need not
# stop anything: whether the packages install is what counts.
for try in 1 2 3; do
  "${sudo_cmd[@]}" apt-get update && break
  echo "apt-get update failed (try $try of 3)"
  if [ $try -lt 3 ]; then sleep 5; fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt_install "${missing[@]}"
fi
if [ $want_wine32 = yes ] && ! apt_install "$WINE32"; then
  echo "WARNING: $WINE32 could not be installed; the 32-bit runtime tests will be skipped" >&2
fi
