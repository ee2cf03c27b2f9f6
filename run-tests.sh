#!/usr/bin/env bash
# Runs every test of KORVEX on a Debian machine, from a fresh clone:
#
#   ./run-tests.sh
#
# 1. installs what is missing (scripts/install-deps.sh),
# 2. checks that every include follows the layers (scripts/check-layers.sh),
# 3. configures and builds the presets native-asan (the unit tests and the
#    fuzz targets, with the sanitizers), win64 (everything, for Wine) and
#    win32 (the shipping build of the deliverables and tools),
# 4. runs the unit tests, checks the binary interface of the Windows
#    libraries of both builds, runs the Windows tests under Wine
#    (scripts/run-wine-tests.sh build/win64), the demo (./demo.sh) and the
#    fuzzers.
#
# Compilations go through ccache (installed by step 1); the cache is shared
# by every clone on the machine.
#
# A failing stage does not stop the run: every test stage whose build
# succeeded still runs, so one run shows everything.  The wall time of each
# stage is printed as it ends and again in a summary; the exit status is
# non-zero when any stage failed.
set -uo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"

names=()
results=()
times=()
failed=0

now() { date +%s.%N; }

# stage NAME COMMAND...: runs a stage and records its result and wall time.
stage() {
  local name=$1
  shift
  echo
  echo "=== $name: $*"
  local start status=0
  start=$(now)
  "$@" || status=$?
  local seconds
  seconds=$(awk -v a="$start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
  local result=ok
  if [[ $status -ne 0 ]]; then
    result="FAILED ($status)"
    failed=1
  fi
  names+=("$name")
  results+=("$result")
  times+=("$seconds")
  echo "=== $name: $result in $seconds s"
  return $status
}

# skip NAME WHY: records a stage that could not run.
skip() {
  names+=("$1")
  results+=("NOT RUN ($2)")
  times+=("-")
  failed=1
  echo
  echo "=== $1: not run, $2"
}

build_preset() {
  cmake --preset "$1" && cmake --build --preset "$1"
}

# The cache keys hold paths relative to the clone, so clones share it.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

total_start=$(now)

stage "dependencies" scripts/install-deps.sh
stage "layers" scripts/check-layers.sh

declare -A built
for preset in native-asan win64 win32; do
  if stage "build $preset" build_preset "$preset"; then built[$preset]=1; fi
done

if [[ -n "${built[native-asan]:-}" ]]; then
  stage "test native-asan" ctest --preset native-asan
else
  skip "test native-asan" "build failed"
fi

# The hook library's binary interface, in the 64-bit and the 32-bit build.
if [[ -n "${built[win64]:-}" && -n "${built[win32]:-}" ]]; then
  stage "check Sentrel.dll" sentrel/check-dll.sh build/win64/bin/Sentrel.dll build/win32/bin/Sentrel.dll
else
  skip "check Sentrel.dll" "build failed"
fi

# The robot program: a GUI program that imports Sentrel.dll and no runtime
# DLL, in both builds.
if [[ -n "${built[win64]:-}" && -n "${built[win32]:-}" ]]; then
  stage "check KORVEX.exe" robot/win32/check-exe.sh build/win64/bin/KORVEX.exe build/win32/bin/KORVEX.exe
else
  skip "check KORVEX.exe" "build failed"
fi

# The tariff control's binary interface, in both builds.
if [[ -n "${built[win64]:-}" && -n "${built[win32]:-}" ]]; then
  stage "check TARIFEX.OCX" tarifex/win32/check-ocx.sh build/win64/bin/TARIFEX.OCX build/win32/bin/TARIFEX.OCX
else
  skip "check TARIFEX.OCX" "build failed"
fi

if [[ -n "${built[win64]:-}" ]]; then
  stage "test wine (win64)" scripts/run-wine-tests.sh build/win64
else
  skip "test wine (win64)" "build failed"
fi

# The README's demo, as a user runs it: the silent installer, the robot and
# the simulated host in a Wine prefix of its own; it passes only when the
# second run of the validation needed nobody.
if [[ -n "${built[win64]:-}" ]]; then
  stage "demo" ./demo.sh --out build/demo-output
else
  skip "demo" "build failed"
fi

if [[ -n "${built[native-asan]:-}" ]]; then
  stage "fuzzers" scripts/run-fuzzers.sh
else
  skip "fuzzers" "build failed"
fi

total=$(awk -v a="$total_start" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }')
echo
echo "=== summary"
for i in "${!names[@]}"; do
  printf '  %-22s %8s s  %s\n' "${names[$i]}" "${times[$i]}" "${results[$i]}"
done
printf '  %-22s %8s s\n' "total" "$total"
if [[ $failed -ne 0 ]]; then
  echo "=== FAILED"
  exit 1
fi
echo "=== all stages passed"
