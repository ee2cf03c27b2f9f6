#!/usr/bin/env bash
# Runs the tests labelled "wine" of a Windows build under Wine (a 32-bit
# build needs a Wine that runs 32-bit programs: scripts/vm32/):
#
#   scripts/run-wine-tests.sh BUILD_DIR [CTEST_ARGUMENTS...]
#
# for example "scripts/run-wine-tests.sh build/win64", or with "-V -R wine_tests"
# to see the whole output of one program.
#
# ctest runs in one session of scripts/wine-session.sh: a virtual X display,
# a private Wine prefix made for this run and removed afterwards, its own
# loopback network where the machine allows it, the Spanish locale, no
# debugger on crashes, and the X11 driver's "Managed" = "N" (Xvfb has no
# window manager; without it Wine stalls on every hide or destroy of a
# top-level window).  Exits with ctest's status.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ $# -lt 1 ]]; then
  echo "usage: $0 BUILD_DIR [CTEST_ARGUMENTS...]" >&2
  exit 2
fi
[[ -d "$1" ]] || { echo "run-wine-tests: no build directory $1" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift
command -v ctest >/dev/null || { echo "run-wine-tests: ctest is missing (scripts/install-deps.sh)" >&2; exit 1; }

# shellcheck source=scripts/wine-env.sh
source "$here/wine-env.sh"
limit=$(korvex_scaled 1800)

# Always on a virtual display of its own, whatever the caller's session asks.
exec env -u KORVEX_SESSION_DISPLAY "$here/wine-session.sh" bash -c '
  echo "== Wine prefix $WINEPREFIX ($KORVEX_WINE, display $DISPLAY, LANG=$LANG)"
  limit=$1
  shift
  exec timeout --kill-after=30 "$limit" ctest --test-dir "$0" -L wine --output-on-failure "$@"
' "$build" "$limit" "$@"
