#!/usr/bin/env bash
# Runs every built libFuzzer target (preset fuzz) for SECONDS each, one after the other, from its
# committed seeds (fuzz/corpus/TARGET) and the corpus kept from earlier campaigns
# (build/fuzz-corpus/TARGET), merges what it found into the kept corpus and prints executions and
# coverage per target.
#
#   scripts/fuzz_campaign.sh SECONDS            a campaign
#   scripts/fuzz_campaign.sh --seeds            remakes the committed seeds: the seed maker's
#                                               inputs, minimized per target into fuzz/corpus/
#   scripts/fuzz_campaign.sh --update-seeds     minimizes the kept corpus into fuzz/corpus/
set -euo pipefail
cd "$(dirname "$0")/.."

targets() { find build/fuzz/fuzz -mindepth 2 -maxdepth 2 -type f -executable | sort; }

# minimize TARGET_PATH INTO FROM...: the smallest set of FROM's inputs with their coverage.
minimize() {
  local target=$1 into=$2
  shift 2
  local fresh
  fresh=$(mktemp -d)
  "$target" -merge=1 "$fresh" "$@" >/dev/null 2>&1
  rm -rf "$into"
  mkdir -p "$into"
  cp "$fresh"/* "$into"/ 2>/dev/null || true
  rm -rf "$fresh"
}

if [ "${1:-}" = "--seeds" ]; then
  maker=build/host/tests/fuzz_seeds/fuzz_seed_maker
  [ -x "$maker" ] || { echo "build $maker first (preset host)"; exit 1; }
  made=$(mktemp -d)
  "$maker" "$made"
  for target in $(targets); do
    name=$(basename "$target")
    [ -d "$made/$name" ] || continue
    minimize "$target" "fuzz/corpus/$name" "$made/$name"
    echo "$name: $(ls "fuzz/corpus/$name" | wc -l) seeds"
  done
  rm -rf "$made"
  exit 0
fi

if [ "${1:-}" = "--update-seeds" ]; then
  for target in $(targets); do
    name=$(basename "$target")
    [ -d "build/fuzz-corpus/$name" ] || continue
    minimize "$target" "fuzz/corpus/$name" "fuzz/corpus/$name" "build/fuzz-corpus/$name"
    echo "$name: $(ls "fuzz/corpus/$name" | wc -l) seeds"
  done
  exit 0
fi

seconds=${1:?usage: scripts/fuzz_campaign.sh SECONDS | --seeds | --update-seeds}
found=0
failed=0
printf '%-28s %8s %14s %8s %8s %8s\n' target seconds executions cov ft corpus
for target in $(targets); do
  found=1
  name=$(basename "$target")
  kept="build/fuzz-corpus/$name"
  found_now=$(mktemp -d)
  log=$(mktemp)
  mkdir -p "$kept" "fuzz/corpus/$name"
  status=0
  "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build/fuzz-corpus/$name-" \
    "$found_now" "$kept" "fuzz/corpus/$name" >"$log" 2>&1 || status=$?
  # The kept corpus: the seeds, what earlier campaigns kept and what this run found, minimized.
  minimize "$target" "$kept" "fuzz/corpus/$name" "$kept" "$found_now"
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  coverage=$(grep -o 'cov: [0-9]* ft: [0-9]*' "$log" | tail -n 1 || true)
  printf '%-28s %8s %14s %8s %8s %8s\n' "$name" "$seconds" "${executions:-?}" \
    "$(echo "$coverage" | awk '{print $2}')" "$(echo "$coverage" | awk '{print $4}')" \
    "$(ls "$kept" | wc -l)"
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "fuzz target $name failed; its input is kept as build/fuzz-corpus/$name-*"
    grep -E 'ERROR|SUMMARY' "$log" || tail -n 40 "$log"
  fi
  rm -rf "$found_now" "$log"
done
[ "$found" -eq 1 ] || { echo "no fuzz targets built (cmake --preset fuzz && cmake --build --preset fuzz)"; exit 1; }
exit "$failed"
