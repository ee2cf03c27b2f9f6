#!/usr/bin/env bash
# The 32-bit campaign's part inside the emulated machine; started by
# scripts/vm32/run-32bit-suite.sh through scripts/vm32/run-vm.sh:
#
#   scripts/vm32/suite-inside.sh RESULTS_DIR [--tests REGEX] [--no-tests]
#                                [--no-demo] [--bench N]
#
# From the clone's top: the Wine tests of build/win32-tests (ctest -L wine,
# or those matching REGEX), the demo installing the 32-bit setup, and with
# --bench N the answer benchmark of the 64-bit build and then the 32-bit one
# (N dialogs each), each stage in a Wine session of its own.  Each stage's
# output goes to RESULTS_DIR/STAGE.log; RESULTS_DIR/summary holds one line
# per stage with its result and wall time.  Exits non-zero when a stage
# failed.
set -uo pipefail

results=${1:?usage: $0 RESULTS_DIR [--tests REGEX] [--no-tests] [--no-demo] [--bench N]}
shift
tests=all
demo=true
bench=0
while [[ $# -gt 0 ]]; do
  case $1 in
    --tests) tests=${2:?}; shift ;;
    --no-tests) tests= ;;
    --no-demo) demo=false ;;
    --bench) bench=${2:?}; shift ;;
    *) echo "suite-inside: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done
mkdir -p "$results"
: > "$results/summary"
failed=0

stage() {  # stage NAME COMMAND...: runs it, its output in NAME.log and here as it comes
  local name=$1
  shift
  local start status=0
  start=$(date +%s)
  echo "=== $name: $*"
  "$@" 2>&1 | tee "$results/$name.log" || status=${PIPESTATUS[0]}
  local seconds=$(( $(date +%s) - start ))
  local result=ok
  [[ $status -eq 0 ]] || { result="FAILED ($status)"; failed=1; }
  printf '%-24s %-12s %6d s\n' "$name" "$result" "$seconds" | tee -a "$results/summary"
}

echo "== $(uname -r), $(nproc) processors, $(free -g | awk '/^Mem:/ { print $2 }') GB;" \
  "$(/usr/lib/wine/wine64 --version); KORVEX_TIME_SCALE=${KORVEX_TIME_SCALE:-1}"
if [[ -n "$tests" ]]; then
  # Every test's output as it comes: a wait that runs out shows at once.
  ctest_args=(-V)
  [[ "$tests" != all ]] && ctest_args+=(-R "$tests")
  stage "wine-tests" scripts/run-wine-tests.sh build/win32-tests "${ctest_args[@]}"
  # Every test's whole output, the passed ones' too.
  cp build/win32-tests/Testing/Temporary/LastTest.log "$results/wine-tests-output.log" 2>/dev/null
fi
if $demo; then
  stage "demo" ./demo.sh --build build/win32-tests --out "$results/demo"
fi
if [[ $bench -gt 0 ]]; then
  stage "bench-win64" scripts/wine-session.sh tests/bench/robot_answer_bench.sh build/win64/bin "$bench"
  stage "bench-win32" scripts/wine-session.sh tests/bench/robot_answer_bench.sh build/win32-tests/bin "$bench"
fi
echo "=== summary"
cat "$results/summary"
exit $failed
