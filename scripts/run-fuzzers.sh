#!/bin/sh
# Configures and builds the "fuzz" preset (clang, libFuzzer, ASan, UBSan) and
# runs each fuzz target of the core for a short time from the committed seed
# corpus.  New inputs go to build/fuzz/work/<target>, crashes to
# build/fuzz/artifacts/.
#
#   scripts/run-fuzzers.sh                 every target, 30 s each
#   FUZZ_SECONDS=300 scripts/run-fuzzers.sh read_key
set -eu
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
targets=${*:-"read_key unescape import_file query_request engine_record"}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p build/fuzz/artifacts
status=0
for target in $targets; do
  exe=build/fuzz/tests/fuzz/${target}_fuzzer
  work=build/fuzz/work/$target
  mkdir -p "$work"
  dict=
  if [ -f "tests/fuzz/$target.dict" ]; then dict=-dict=tests/fuzz/$target.dict; fi
  echo "== $target: ${seconds}s"
  # shellcheck disable=SC2086  # $dict is empty or one word
  if ! "$exe" $dict -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix=build/fuzz/artifacts/"$target"- "$work" "tests/fuzz/corpus/$target"; then
    echo "== $target: FAILED (see build/fuzz/artifacts/)"
    status=1
  fi
done
exit $status
