#!/usr/bin/env bash
# Runs every built libFuzzer target for a few seconds each (default 20), from its committed seeds
# under fuzz/corpus/<target>. Longer runs that keep their corpus: scripts/fuzz_campaign.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
found=0
for target in $(find build/fuzz/fuzz -mindepth 2 -maxdepth 2 -type f -executable | sort); do
  found=1
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  echo "-- $name (${seconds}s)"
  status=0
  "$target" -max_total_time="$seconds" -print_final_stats=1 "$work" "${seeds[@]}" >"$work.log" 2>&1 \
    || status=$?
  grep -E 'stat::number_of_executed_units|ERROR|SUMMARY' "$work.log" || true
  [ "$status" -eq 0 ] || tail -n 40 "$work.log"
  rm -rf "$work" "$work.log"
  [ "$status" -eq 0 ] || { echo "fuzz target $name failed"; exit 1; }
done
[ "$found" -eq 1 ] || echo "no fuzz targets built"
