#!/usr/bin/env bash
# The one test command: installs what is missing, builds every preset and
# runs every test. Exits nonzero if any build or test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh all || exit 1

PRESETS=(native sanitize win32 win64)
jobs=$(nproc)
status=0
passed=0
failed=0
skipped=0
skipped_names=()

for preset in "${PRESETS[@]}"; do
  echo "=== build: $preset"
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j"$jobs"; }; then
    echo "=== build of $preset FAILED"
    status=1
  fi
done

for preset in "${PRESETS[@]}"; do
  echo "=== test: $preset"
  log=build/$preset/ctest.log
  ctest --preset "$preset" -j"$jobs" 2>&1 | tee "$log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || status=1
  summary=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$summary" ]; then
    echo "=== $preset: ctest ran no test"
    status=1
    continue
  fi
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
  bad=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  skips=$(grep -cE '\(Skipped\)$' "$log")
  passed=$((passed + total - bad - skips))
  # Disabled tests are the ones with no Wine for their bitness; ctest leaves
  # them out of its total.
  disabled=$(grep -cE '\(Disabled\)$' "$log")
  skipped=$((skipped + skips + disabled))
  names=$(sed -nE 's/^\s+[0-9]+ - (.*) \((Skipped|Disabled)\)$/\1/p' "$log" | tr '\n' ' ')
  # A Windows preset whose Wine cannot run here: the machine is asked again.
  reason=
  if [ -f "build/$preset/wine-loader.txt" ]; then
    reason=$(cmake/wine-probe.sh $(cat "build/$preset/wine-loader.txt")) && reason=
  fi
  [ -z "$names" ] || skipped_names+=("$preset${reason:+ ($reason)}: $names")
  failed=$((failed + bad))
done

echo "=== fuzz: plug-in reference removal (bounded run)"
if scripts/fuzz.sh; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo "=== reproducible: the shipped DLLs and archives built again at another path"
if scripts/check-reproducible.sh; then
  passed=$((passed + 1))
else
  failed=$((failed + 1))
fi

echo
for line in "${skipped_names[@]}"; do
  echo "Skipped in $line"
done
scripts/test-ratio.sh
echo "Total: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ] || status=1
exit $status
