#!/usr/bin/env bash
# The 32-bit campaign: the shipping 32-bit build's Wine tests, the demo
# installing KORVEX-...-win32-setup.exe and, on request, the answer
# benchmark of both builds, in the emulated machine of scripts/vm32/ (this
# machine's kernel runs no 32-bit code; see the README, "The 32-bit build").
# Run by hand, as root, outside CI (an hour and more of emulated time):
#
#   scripts/vm32/run-32bit-suite.sh [--tests REGEX] [--no-tests] [--no-demo]
#                                   [--bench N] [--no-build] [--timeout SECONDS]
#
#   --tests REGEX   only the Wine tests matching REGEX (ctest -R), e.g.
#                   wine.sentrel_hook, the hook test (a few minutes)
#   --no-tests      no Wine tests;  --no-demo  no demo
#   --bench N       the dialog shown -> answered benchmark and the tariff
#                   question's round trip, N dialogs, of build/win64 and then
#                   of build/win32-tests, in the same boot
#   --no-build      take the build trees as they are
#   --timeout S     the machine is stopped after S seconds (default 10800)
#
# 1. installs the emulator and debootstrap when missing and builds the
#    machine's image once (scripts/vm32/build-image.sh, cached in
#    /var/cache/korvex-vm32);
# 2. builds the preset win32-tests (the shipping Release build with its
#    tests, their time limits times KORVEX_TIME_SCALE, default 20) and, for
#    --bench, what the benchmark needs of build/win64;
# 3. boots the machine once with the clone shared (scripts/vm32/run-vm.sh)
#    and runs scripts/vm32/suite-inside.sh there.
# Each stage's log and the demo's output go to build/vm32-results/TIME/;
# exits non-zero when a stage failed.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
build=true
limit=10800
bench=0
inside=()
while [[ $# -gt 0 ]]; do
  case $1 in
    --tests) inside+=(--tests "${2:?--tests needs a pattern}"); shift ;;
    --no-tests) inside+=(--no-tests) ;;
    --no-demo) inside+=(--no-demo) ;;
    --bench) bench=${2:?--bench needs a count}; inside+=(--bench "$bench"); shift ;;
    --no-build) build=false ;;
    --timeout) limit=${2:?}; shift ;;
    -h|--help) sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "run-32bit-suite: unknown argument $1 (--help)" >&2; exit 2 ;;
  esac
  shift
done
scale=${KORVEX_TIME_SCALE:-20}

begin=$(date +%s)
say() { echo "[vm32 $(( $(date +%s) - begin )) s] $*"; }

say "the machine's image (scripts/vm32/build-image.sh)"
scripts/vm32/build-image.sh

if $build; then
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
  say "building the preset win32-tests (time limits x$scale)"
  cmake --preset win32-tests -DKORVEX_TIME_SCALE="$scale" >/dev/null
  cmake --build --preset win32-tests > build/win32-tests/vm32-build.log 2>&1 ||
    { tail -30 build/win32-tests/vm32-build.log; exit 1; }
  if [[ $bench -gt 0 ]]; then
    say "building what the benchmark needs of build/win64"
    [[ -f build/win64/build.ninja ]] || cmake --preset win64 >/dev/null
    cmake --build build/win64 --target KORVEX Sentrel Dossa scripted_user robot_query_bench \
      > build/win64/vm32-build.log 2>&1 || { tail -30 build/win64/vm32-build.log; exit 1; }
  fi
fi

results=build/vm32-results/$(date +%Y%m%d-%H%M%S)
mkdir -p "$results"
say "booting the machine; the results go to $results"
status=0
scripts/vm32/run-vm.sh --timeout "$limit" --env KORVEX_TIME_SCALE="$scale" \
  scripts/vm32/suite-inside.sh "$results" "${inside[@]}" || status=$?
say "done (status $status); $results/summary:"
cat "$results/summary" 2>/dev/null || true
exit $status
