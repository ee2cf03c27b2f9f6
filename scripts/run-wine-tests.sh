#!/usr/bin/env bash
# Runs the tests labelled "wine" of a Windows build under 64-bit Wine:
#
#   scripts/run-wine-tests.sh BUILD_DIR [CTEST_ARGUMENTS...]
#
# for example "scripts/run-wine-tests.sh build/win64", or with "-V -R wine_tests"
# to see the whole output of one program.
#
# One session holds everything: a virtual X display (xvfb-run -a), a private
# Wine prefix made for this run and removed afterwards, its own loopback
# network where the machine allows it, the Spanish locale,
# no debugger on crashes, and the X11 driver's "Managed" = "N" (Xvfb has no
# window manager; without it Wine stalls on every hide or destroy of a
# top-level window).  Exits with ctest's status.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

usage() {
  echo "usage: $0 BUILD_DIR [CTEST_ARGUMENTS...]" >&2
  exit 2
}

# --- inside the virtual display ------------------------------------------------------
if [[ "${1:-}" == --inside-display ]]; then
  build=${2:?}
  shift 2
  # shellcheck source=scripts/wine-env.sh
  source "$here/wine-env.sh"

  echo "== Wine prefix $WINEPREFIX ($KORVEX_WINE, display $DISPLAY, LANG=$LANG)"
  timeout --kill-after=10 300 "$KORVEX_WINE" wineboot --init
  timeout --kill-after=10 300 "$KORVEX_WINESERVER" -w || true
  timeout --kill-after=10 120 "$KORVEX_WINE" reg add 'HKCU\Software\Wine\X11 Driver' \
    /v Managed /t REG_SZ /d N /f

  status=0
  timeout --kill-after=30 1800 ctest --test-dir "$build" -L wine --output-on-failure "$@" || status=$?
  timeout --kill-after=10 60 "$KORVEX_WINESERVER" -k || true
  exit $status
fi

# --- setting up the session ----------------------------------------------------------
[[ $# -ge 1 ]] || usage
[[ -d "$1" ]] || { echo "run-wine-tests: no build directory $1" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift

# shellcheck source=scripts/wine-env.sh
source "$here/wine-env.sh"
for tool in xvfb-run xauth ctest; do
  command -v "$tool" >/dev/null || { echo "run-wine-tests: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

"$here/ensure-locale.sh"
# LANG alone decides: clear what would override it.
while IFS= read -r name; do unset "$name"; done < <(env | grep -o '^LC_[A-Z_]*' || true)
unset LANGUAGE
export LANG=es_AR.UTF-8

WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/korvex-wine.XXXXXX")
export WINEPREFIX
cleanup() {
  timeout --kill-after=5 30 "$KORVEX_WINESERVER" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# The session gets a loopback of its own when the machine allows it (root,
# unshare and ip): the robot's query port 127.0.0.1:19697 is fixed, and a
# test that plays the robot there must not meet another session's robot on
# the same machine.  Elsewhere the session shares the machine's loopback.
own_loopback=()
if [[ $(id -u) -eq 0 ]] && command -v unshare >/dev/null && command -v ip >/dev/null &&
   unshare --net true 2>/dev/null; then
  own_loopback=(unshare --net -- bash -c 'ip link set lo up && exec "$@"' own-loopback)
fi

# xvfb-run reads its standard input; keep it away from whatever runs us.
status=0
"${own_loopback[@]}" xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  "$here/run-wine-tests.sh" --inside-display "$build" "$@" </dev/null || status=$?
exit $status
