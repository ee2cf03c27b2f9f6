#!/bin/sh
# A long fuzzing campaign, on a developer machine (not in CI): each target
# runs until it has executed RUNS inputs (default 10 million), in an
# optimized sanitized tree of its own, starting from the committed corpus;
# then the corpus is minimised back into tests/fuzz/corpus/<target>, so CI's
# short runs start from everything the campaign found.  A summary line per
# target (executions, seconds, crashes) goes to build/fuzz-campaign/summary.txt.
#
#   scripts/fuzz-campaign.sh                       every target
#   RUNS=1000000 scripts/fuzz-campaign.sh read_key
set -eu
cd "$(dirname "$0")/.."

runs=${RUNS:-10000000}
targets=${*:-"read_key unescape import_file query_request engine_record journal"}
tree=build/fuzz-campaign

cmake --preset native-asan -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEX_TESTS=OFF >/dev/null
for target in $targets; do
  cmake --build "$tree" --target "${target}_fuzzer"
done

mkdir -p "$tree/artifacts"
for target in $targets; do
  exe=$tree/tests/fuzz/${target}_fuzzer
  work=$tree/work/$target
  rm -rf "$work"
  mkdir -p "$work"
  dict=
  if [ -f "tests/fuzz/$target.dict" ]; then dict=-dict=tests/fuzz/$target.dict; fi
  echo "== $target: $runs runs"
  start=$(date +%s)
  status=ok
  # shellcheck disable=SC2086  # $dict is empty or one word
  if ! "$exe" $dict -runs="$runs" -print_final_stats=1 \
      -artifact_prefix="$tree/artifacts/$target-" "$work" "tests/fuzz/corpus/$target" \
      >"$tree/$target.log" 2>&1; then
    status="CRASH (see $tree/artifacts/)"
  fi
  seconds=$(( $(date +%s) - start ))
  executed=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$tree/$target.log" | grep -o '[0-9]*$' || echo "?")
  # Merge what was found into a fresh, minimal corpus.
  merged=$tree/merged/$target
  rm -rf "$merged"
  mkdir -p "$merged"
  "$exe" -merge=1 "$merged" "tests/fuzz/corpus/$target" "$work" >"$tree/$target.merge.log" 2>&1
  rm -rf "tests/fuzz/corpus/$target"
  mkdir -p "tests/fuzz/corpus/$target"
  cp "$merged"/* "tests/fuzz/corpus/$target/"
  line="$target: $executed runs in $seconds s, $(ls "tests/fuzz/corpus/$target" | wc -l) corpus inputs, $status"
  echo "== $line"
  echo "$line" >>"$tree/summary.txt"
done
