#!/usr/bin/env bash
# Times plug-in reference removal as whole processes on a ~100 MB and a
# ~1 MB host configuration file: installctl (the library), cp (moving the
# bytes), floor_remove (the same rewrite in minimal C) and the exact rules
# in mawk. Checks all three rewrites give the same bytes, and measures the
# library's peak memory. Prints the figures; bench/README.md has the last ones.
#
# usage: bench/run.sh [BUILD_DIR]   (default build/native, built with bench on)
# Needs python3, hyperfine, mawk and /usr/bin/time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
installctl=$build/bin/installctl
floor=$build/bin/floor_remove
data=$build/bench-data
plugin=SampleFx
mkdir -p "$data"
for tool in hyperfine mawk python3; do
  command -v "$tool" >/dev/null || { echo "bench/run.sh needs $tool" >&2; exit 1; }
done
[ -x "$installctl" ] && [ -x "$floor" ] || { echo "build $build first" >&2; exit 1; }

awk_remove=$root/bench/remove_with_awk.sh
for size in 1 100; do
  original=$data/host-${size}mb.cfg
  [ -f "$original" ] || python3 "$root/bench/make_host_file.py" "$original" "$size" "$plugin"
  work=$data/work.cfg

  # Same bytes from all three, before any timing.
  cp "$original" "$work" && "$installctl" ExZKCFG_RemovePluginRefs "$work*$plugin" | grep -qx 0
  cp "$work" "$data/by-library.cfg"
  cp "$original" "$work" && "$floor" "$work" "$plugin"
  cmp "$work" "$data/by-library.cfg"
  cp "$original" "$work" && "$awk_remove" "$work" "$plugin"
  cmp "$work" "$data/by-library.cfg"
  echo "== ${size} MB: $(stat -c %s "$original") bytes, $(wc -l <"$original") lines;" \
       "library, C floor and awk rewrites are identical"

  hyperfine -N --warmup 2 --runs 10 --style basic --export-json "$data/times-${size}mb.json" \
    --prepare "cp '$original' '$work'" \
    -n cp "cp '$original' '$data/copy.cfg'" \
    -n floor "'$floor' '$work' $plugin" \
    -n library "'$installctl' ExZKCFG_RemovePluginRefs '$work*$plugin'" \
    -n mawk "'$awk_remove' '$work' $plugin" >/dev/null

  cp "$original" "$work"
  peak_kb=$(/usr/bin/time -f %M "$installctl" ExZKCFG_RemovePluginRefs "$work*$plugin" 2>&1 >/dev/null)
  python3 - "$data/times-${size}mb.json" "$peak_kb" <<'PY'
import json, sys
runs = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
mean = {name: r["mean"] for name, r in runs.items()}
for name in ("cp", "floor", "library", "mawk"):
    print(f"  {name:8s} {mean[name]*1000:8.1f} ms  (+- {runs[name]['stddev']*1000:.1f})")
net = (mean["library"] - mean["cp"]) / (mean["floor"] - mean["cp"])
print(f"  library / C floor: {mean['library']/mean['floor']:.2f}x, net of cp: {net:.2f}x (goal <= 1.25)")
print(f"  mawk / library: {mean['mawk']/mean['library']:.1f}x (goal >= 4)")
print(f"  library peak RSS: {int(sys.argv[2])/1024:.1f} MiB (goal < 8, flat)")
PY
done
