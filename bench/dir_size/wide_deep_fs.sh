#!/usr/bin/env bash
# Side-by-side chains (make_wide_deep.py) on three file systems: the work
# folder's own, overlayfs and ramfs, installctl GetDirSizeKB against GNU du.
# overlayfs and ramfs rebuild a folder's listing when it is read again, so
# a walk that rereads the wide folder grows with the square of its width.
# The mounts are made in a mount namespace of this script's own (unshare -m,
# root only) and go with it.
#
# usage: bench/dir_size/wide_deep_fs.sh [LIBRARY [WORK_FOLDER]]
#   (defaults: the native build's library, /tmp/install-bench-dir-size);
# LIBRARY may be one built from an older commit, to compare.
# Needs python3 and GNU time. The work folder's trees are kept between runs;
# the ramfs ones are made anew each time.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
installctl=$repo/build/native/bin/installctl
library=$(realpath "${1:-$repo/build/native/bin/libinstall.so}")
work=${2:-/tmp/install-bench-dir-size}
counts=(1000 4000 8000)
runs=3

if [ -z "${INSTALL_BENCH_IN_NAMESPACE:-}" ]; then
  mkdir -p "$work"
  for siblings in "${counts[@]}"; do
    [ -d "$work/wide_$siblings" ] || python3 "$here/make_wide_deep.py" "$work/wide_$siblings" "$siblings"
  done
  INSTALL_BENCH_IN_NAMESPACE=1 exec unshare -m --propagation private "$0" "$library" "$work"
fi

# The fastest of $runs runs, in seconds, after one warm-up run.
best_of() {
  "$@" >/dev/null
  local best=""
  for _ in $(seq "$runs"); do
    /usr/bin/time -o "$work/time" -f %e "$@" >/dev/null
    local took
    took=$(cat "$work/time")
    if [ -z "$best" ] || awk "BEGIN{exit !($took < $best)}"; then best=$took; fi
  done
  echo "$best"
}

row() {  # file system, chains, tree
  local ours du_s
  ours=$(best_of "$installctl" --library "$library" GetDirSizeKB "$3")
  du_s=$(best_of du -s --apparent-size -B1 "$3")
  printf "%-14s %8s %12s %8s %8s KB\n" "$1" "$2" "$ours" "$du_s" "$("$installctl" --library "$library" GetDirSizeKB "$3")"
}

layers=$(mktemp -d)
mount -t tmpfs tmpfs "$layers"
printf "%-14s %8s %12s %8s %8s\n" "file system" chains "installctl s" "du s" result
for siblings in "${counts[@]}"; do
  row "$(stat -f -c %T "$work")" "$siblings" "$work/wide_$siblings"

  # The chains from the lower layer, the wide folder merged with the upper
  # one (a folder made through the mount copies it up).
  mkdir -p "$layers/upper_$siblings" "$layers/work_$siblings" "$layers/merged_$siblings"
  mount -t overlay overlay -o "lowerdir=$work/wide_$siblings,upperdir=$layers/upper_$siblings,workdir=$layers/work_$siblings" \
    "$layers/merged_$siblings"
  mkdir "$layers/merged_$siblings/from_upper"
  row overlay "$siblings" "$layers/merged_$siblings"
  umount "$layers/merged_$siblings"

  mkdir -p "$layers/ramfs"
  mount -t ramfs ramfs "$layers/ramfs"
  python3 "$here/make_wide_deep.py" "$layers/ramfs/wide" "$siblings" >/dev/null
  row ramfs "$siblings" "$layers/ramfs/wide"
  umount "$layers/ramfs"
done
umount "$layers"
rmdir "$layers"
