#!/usr/bin/env bash
# Runs one Windows program under 64-bit Wine and returns its exit code; ctest
# runs every Windows test program through this script.
#
#   scripts/wine-exec.sh PROGRAM.exe [ARGUMENTS...]
#
# The program gets at most KORVEX_WINE_TIMEOUT seconds (default 300, times
# KORVEX_TIME_SCALE); a
# program that runs longer is killed and the script fails with 124.  The
# display, prefix and language come from the caller: scripts/run-wine-tests.sh
# sets up a complete session.
set -uo pipefail

if [[ $# -lt 1 ]]; then
  echo "usage: $0 PROGRAM.exe [ARGUMENTS...]" >&2
  exit 2
fi

# shellcheck source=scripts/wine-env.sh
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" || exit 1

program=$1
shift
limit=$(korvex_scaled "${KORVEX_WINE_TIMEOUT:-300}")

# GoogleTest's colours would only garble a log.  The test programs make their
# own output unbuffered (tests/wine/test_process_setup.cpp); Wine writes it
# to our stdout as it comes.
export GTEST_COLOR=no
timeout --kill-after=10 "$limit" "$KORVEX_WINE" "$program" "$@"
status=$?
if [[ $status -eq 124 || $status -eq 137 ]]; then
  echo "wine-exec: $(basename "$program") did not end within ${limit} s and was killed" >&2
fi
exit $status
