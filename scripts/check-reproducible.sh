#!/usr/bin/env bash
# check-reproducible.sh: builds the shipped Windows DLLs a second time, from a
# copy of this tree at another path, and checks that the DLLs, their .debug
# files and the release archives are byte for byte those of build/win32 and
# build/win64; then builds the Debian packages twice, each from a copy of the
# tree at a path of its own, and compares every package. A build path or a
# time stamp in any of them fails it.
# KEEP_SCRATCH=1 keeps the second tree, to see what differs.
set -euo pipefail
cd "$(dirname "$0")/.."
here=$(pwd)
scratch=$(mktemp -d /tmp/install-reproducible.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
[ -n "${KEEP_SCRATCH:-}" ] && trap - EXIT
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}

# The tracked and new files as they are now, without build/ or dist/.
git ls-files -z --cached --others --exclude-standard |
  while IFS= read -r -d '' file; do
    if [ -e "$file" ]; then cp --parents "$file" "$scratch"; fi
  done

scripts/release.sh "$scratch/dist-here" >/dev/null
(cd "$scratch" && scripts/release.sh "$scratch/dist-copy" >/dev/null)

status=0
same() {  # same NAME FIRST SECOND WHAT-TO-SHOW
  if cmp -s "$2" "$3"; then echo "same bytes: $1 ($4)"; else echo "DIFFERENT: $1"; status=1; fi
}
for preset in win32 win64; do
  for file in Install.dll Install.dll.debug; do
    binary=build/$preset/bin/$file
    same "$preset/$file" "$binary" "$scratch/$binary" "$(stat -c %s "$binary") bytes"
  done
done
for archive in "$scratch"/dist-here/*.zip; do
  name=$(basename "$archive")
  same "$name" "$archive" "$scratch/dist-copy/$name" "$(sha256sum <"$archive" | cut -c1-16)..."
done
for run in 1 2; do
  DEB_BUILD_OPTIONS=nocheck scripts/debian-packages.sh "$scratch/debian-$run" >/dev/null
done
for package in "$scratch"/debian-1/*.deb; do
  name=$(basename "$package")
  same "$name" "$package" "$scratch/debian-2/$name" "$(sha256sum <"$package" | cut -c1-16)..."
done
[ "$status" -eq 0 ] && echo "reproducible: two builds of $(git -C "$here" rev-parse --short HEAD) at different paths agree"
exit $status
