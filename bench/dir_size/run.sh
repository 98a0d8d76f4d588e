#!/usr/bin/env bash
# The directory-size benchmark: installctl GetDirSizeKB against the C floor
# (walk_floor.c) and GNU du, as whole processes on a warm cache, then the
# peak memory of each on trees of growing size, a chain 10,000 deep, and
# side-by-side chains deeper than the walk keeps open (wide and deep).
#
# usage: bench/dir_size/run.sh [WORK_FOLDER]   (default /tmp/install-bench-dir-size)
# Needs the native build's installctl (built here if missing), cc, python3,
# hyperfine and GNU time. The trees are kept between runs.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
work=${1:-/tmp/install-bench-dir-size}
sizes=(50000 100000 200000)
timed=200000
installctl=$repo/build/native/bin/installctl

if [ ! -x "$installctl" ]; then
  (cd "$repo" && cmake --preset native >/dev/null && cmake --build --preset native --target installctl -j2)
fi
mkdir -p "$work"
cc -O2 -o "$work/walk_floor" "$here/walk_floor.c"
for files in "${sizes[@]}"; do
  [ -d "$work/tree_$files" ] || python3 "$here/make_tree.py" "$work/tree_$files" "$files"
done

chain=$work/chain_10000
[ -d "$chain" ] || python3 "$here/make_chain.py" "$chain" 10000
wide_counts=(1000 4000)
for siblings in "${wide_counts[@]}"; do
  [ -d "$work/wide_$siblings" ] || python3 "$here/make_wide_deep.py" "$work/wide_$siblings" "$siblings"
done

tree=$work/tree_$timed
echo "== results on $tree (they differ by design: bytes, bytes with hard links once, kilobytes)"
echo "floor:      $("$work/walk_floor" "$tree") bytes"
echo "du:         $(du -s --apparent-size -B1 "$tree" | cut -f1) bytes"
echo "installctl: $("$installctl" GetDirSizeKB "$tree") KB"
echo "expected:   $(python3 "$here/expected_kb.py" "$tree") KB (each file rounded down, links not followed)"

echo "== time, $timed files, warm cache"
hyperfine -N --warmup 3 --runs 30 --export-json "$work/times.json" \
  -n floor "$work/walk_floor $tree" \
  -n "du -s --apparent-size -B1" "du -s --apparent-size -B1 $tree" \
  -n "installctl GetDirSizeKB" "$installctl GetDirSizeKB $tree"
# The machine is shared, so the minimum (the run least disturbed) is shown
# beside the median.
python3 - "$work/times.json" <<'SUMMARY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
floor = results["floor"]
print(f"{'':28} {'median s':>9} {'min s':>7} {'x floor (median)':>17} {'x floor (min)':>14}")
for name, r in results.items():
    print(f"{name:28} {r['median']:9.3f} {r['min']:7.3f} "
          f"{r['median'] / floor['median']:17.3f} {r['min'] / floor['min']:14.3f}")
SUMMARY

echo "== the same, interleaved: one run of each in turn, so load from other"
echo "   processes on the machine falls on all three alike"
python3 "$here/interleaved.py" 40 \
  floor "$work/walk_floor $tree" \
  "du -s --apparent-size -B1" "du -s --apparent-size -B1 $tree" \
  "installctl GetDirSizeKB" "$installctl GetDirSizeKB $tree"

echo "== peak resident memory (KB)"
printf "%-10s %10s %10s %10s\n" files floor du installctl
for files in "${sizes[@]}"; do
  tree=$work/tree_$files
  floor=$(/usr/bin/time -f %M "$work/walk_floor" "$tree" 2>&1 >/dev/null)
  du_kb=$(/usr/bin/time -f %M du -s --apparent-size -B1 "$tree" 2>&1 >/dev/null)
  ours=$(/usr/bin/time -f %M "$installctl" GetDirSizeKB "$tree" 2>&1 >/dev/null)
  printf "%-10s %10s %10s %10s\n" "$files" "$floor" "$du_kb" "$ours"
done

echo "== a chain 10,000 folders deep (one 1 KB file per level)"
printf "%-26s %10s %12s %s\n" "" "seconds" "peak KB" result
for name in floor du installctl; do
  case $name in
    floor) command=("$work/walk_floor" "$chain") ;;
    du) command=(du -s --apparent-size -B1 "$chain") ;;
    installctl) command=("$installctl" GetDirSizeKB "$chain") ;;
  esac
  "${command[@]}" >/dev/null 2>&1 || true
  /usr/bin/time -o "$work/time" -f "%e %M" "${command[@]}" >"$work/out" 2>/dev/null || true
  read -r seconds peak <"$work/time"
  printf "%-26s %10s %12s %s\n" "$name" "$seconds" "$peak" "$(cut -f1 "$work/out")"
done

echo "== side by side chains 33 folders deep: 4 times the chains should take about 4 times as long"
wide_runs=()
for siblings in "${wide_counts[@]}"; do
  wide_runs+=(-n "floor, $siblings chains" "$work/walk_floor $work/wide_$siblings"
              -n "installctl, $siblings chains" "$installctl GetDirSizeKB $work/wide_$siblings")
done
hyperfine -N --warmup 1 --runs 10 "${wide_runs[@]}"

echo "== the same shape on overlayfs and ramfs too (mount namespace, root only), 1,000 to 8,000 chains"
if [ "$(id -u)" = 0 ]; then
  "$here/wide_deep_fs.sh" "$repo/build/native/bin/libinstall.so" "$work"
else
  echo "skipped: mounting needs root"
fi
