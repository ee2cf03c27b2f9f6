#!/usr/bin/env bash
# KORVEX at work, on a Debian machine, in one command:
#
#   ./demo.sh [--keep] [--interactive] [--out DIR] [--build DIR]
#
# 1. installs what is missing (scripts/install-deps.sh, through sudo when
#    not run as root);
# 2. builds what the demo needs of the 64-bit Windows build (preset win64):
#    the robot, its hook library, the tariff control, the installer, the
#    simulated host Dossa.exe with the stand-ins of its engine and data
#    components, and the scripted user;
# 3. in a throw-away Wine prefix under a virtual display, installs KORVEX
#    with the silent installer, starts the robot and the simulated host, and
#    lets the scripted user teach the robot a validation of a dozen items
#    (message boxes, questions, a data-input and an option dialog, and the
#    tariff control's questions through TARIFEX.OCX); then runs the same
#    validation again, untouched (tools/demo/run.sh).
# It prints what happened, the journal's CSV files, and writes the
# screenshots (PNG) into the output folder (default demo-output/).  Exits 0
# only when the second run needed nobody.
#
#   --keep         keep the Wine prefix afterwards (its path is printed)
#   --interactive  the same installation on your X display ($DISPLAY); the
#                  robot and the host wait for you
#   --out DIR      the output folder
#   --build DIR    a Windows build made already, whose installer the demo
#                  installs (build/win32-tests: the 32-bit setup brokers get,
#                  where Wine runs 32-bit programs, scripts/vm32/); nothing
#                  is installed or built then
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$root"
out=$root/demo-output
keep=0
interactive=
build=
while [[ $# -gt 0 ]]; do
  case $1 in
    --keep) keep=1 ;;
    --interactive) interactive=--interactive ;;
    --out) out=${2:?--out needs a folder}; shift ;;
    --build) build=$(cd "${2:?--build needs a build folder}" && pwd); shift ;;
    -h|--help) sed -n '2,/^set -e/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo: unknown argument $1 (--help)" >&2; exit 2 ;;
  esac
  shift
done

begin=$(date +%s)
progress() { echo "[demo $(( $(date +%s) - begin )) s] $*"; }

if [[ -z "$build" ]]; then
  progress "checking the packages (scripts/install-deps.sh)"
  scripts/install-deps.sh | tail -1

  # The cache keys hold paths relative to the clone, so clones share it.
  export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
  build=$root/build/win64
  if [[ ! -f $build/build.ninja ]]; then
    progress "configuring the 64-bit Windows build (cmake --preset win64)"
    cmake --preset win64 >/dev/null
  fi
  targets=(KORVEX Sentrel TARIFEX korvex_installer Dossa scripted_user mendrel_standin dossa_vars)
  progress "building ${targets[*]} (a first build takes several minutes)"
  # One line of progress every 30 s while it builds.
  cmake --build "$build" --target "${targets[@]}" > "$build/demo-build.log" 2>&1 &
  builder=$!
  while kill -0 "$builder" 2>/dev/null; do
    for _ in $(seq 30); do kill -0 "$builder" 2>/dev/null && sleep 1; done
    kill -0 "$builder" 2>/dev/null && progress "  building: $(grep -o '^\[[0-9]*/[0-9]*\]' "$build/demo-build.log" | tail -1)"
  done
  if ! wait "$builder"; then
    tail -30 "$build/demo-build.log"
    echo "demo: the build failed (the whole log: $build/demo-build.log)" >&2
    exit 1
  fi
fi

# Only what an earlier demo wrote there goes: the folder may be the user's.
mkdir -p "$out"
rm -f "$out"/*.png "$out"/*.csv "$out"/host-report.txt
progress "starting a Wine session (a new prefix$([[ -z $interactive ]] && echo ', a virtual display'))"
session_env=(KORVEX_KEEP_PREFIX=$keep)
[[ -n $interactive ]] && session_env+=(KORVEX_SESSION_DISPLAY=current)
env "${session_env[@]}" scripts/wine-session.sh tools/demo/run.sh "$build" "$out" $interactive
