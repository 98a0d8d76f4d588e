#!/usr/bin/env bash
# debian-packages.sh OUT_DIR: builds the Debian packages (libinstall1,
# libinstall-dev, installctl and their debug symbols) with
# `dpkg-buildpackage -us -uc -b` from a clean copy of this tree in a fresh
# folder outside it, and puts the .deb, .buildinfo and .changes files and
# the build's output (build.log) into OUT_DIR. The packages are dated by
# debian/changelog, so two builds of one commit give the same bytes wherever
# they run. DEB_BUILD_OPTIONS=nocheck leaves out the test suite's run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
scratch=$(mktemp -d /tmp/install-deb.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/libinstall"

# The tracked and new files as they are now, without build/ or dist/; a tree
# that is not a git checkout is copied whole but for those.
cd "$root"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
      if [ -e "$file" ]; then cp --parents -P "$file" "$scratch/libinstall"; fi
    done
else
  tar -c --exclude=./build --exclude=./dist . | tar -x -C "$scratch/libinstall"
fi

cd "$scratch/libinstall"
log=$scratch/build.log
if ! dpkg-buildpackage -us -uc -b >"$log" 2>&1; then
  tail -n 40 "$log"
  echo "debian-packages.sh: dpkg-buildpackage failed (the last lines of its output above)" >&2
  exit 1
fi
cd "$scratch"
cp ./*.deb ./*.buildinfo ./*.changes "$log" "$out/"
ls "$out"
