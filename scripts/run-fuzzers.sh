#!/bin/sh
# Builds the fuzz targets of the "native-asan" preset (clang, libFuzzer, ASan,
# UBSan; the same tree as the unit tests) and runs each for a short time from
# the committed corpus.  New inputs go to build/native-asan/fuzz-work/<target>,
# crashes to build/native-asan/fuzz-artifacts/.
#
#   scripts/run-fuzzers.sh                 every target, 30 s each
#   FUZZ_SECONDS=300 scripts/run-fuzzers.sh read_key
set -eu
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
targets=${*:-"read_key unescape import_file query_request engine_record journal"}

tree=build/native-asan
cmake --preset native-asan >/dev/null
for target in $targets; do
  cmake --build --preset native-asan --target "${target}_fuzzer"
done

artifacts=$tree/fuzz-artifacts
mkdir -p "$artifacts"

# fuzz TARGET: one run; its output goes to $tree/fuzz-work/TARGET.log.
fuzz() {
  target=$1
  exe=$tree/tests/fuzz/${target}_fuzzer
  work=$tree/fuzz-work/$target
  mkdir -p "$work"
  dict=
  if [ -f "tests/fuzz/$target.dict" ]; then dict=-dict=tests/fuzz/$target.dict; fi
  # shellcheck disable=SC2086  # $dict is empty or one word
  "$exe" $dict -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$target-" "$work" "tests/fuzz/corpus/$target" \
    >"$tree/fuzz-work/$target.log" 2>&1
}

# Two targets at a time, one per core; each reports when it ends.
status=0
set -- $targets
while [ $# -gt 0 ]; do
  first=$1
  shift
  second=
  if [ $# -gt 0 ]; then second=$1; shift; fi
  echo "== $first${second:+ and $second}: ${seconds}s"
  fuzz "$first" & first_pid=$!
  if [ -n "$second" ]; then fuzz "$second" & second_pid=$!; fi
  for pair in "$first:$first_pid" ${second:+"$second:$second_pid"}; do
    target=${pair%%:*}
    if wait "${pair#*:}"; then
      echo "== $target: ok, $(grep -m1 -o 'stat::number_of_executed_units: [0-9]*' "$tree/fuzz-work/$target.log" | grep -o '[0-9]*$') runs"
    else
      tail -n 40 "$tree/fuzz-work/$target.log"
      echo "== $target: FAILED (see $artifacts/)"
      status=1
    fi
  done
done
exit $status
