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
  xvfb xdotool                                 # the Windows dialog under Wine, on a virtual screen
  dpkg-dev file pkg-config                     # the Debian package and the hosts built against it
  zip xz-utils                                 # release archives; LZMA sizes in bench/sizes.sh
)

case "${1:-all}" in
  demo) wanted=("${DEMO_PACKAGES[@]}") ;;
  all) wanted=("${ALL_PACKAGES[@]}") ;;
  *) echo "usage: install-deps.sh demo|all" >&2; exit 2 ;;
esac

missing=()
for package in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
# An index of a foreign architecture may fail to update; the packages we need
# still install from the others.
"${sudo_cmd[@]}" apt-get update || echo "apt-get update reported an error; going on"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
