#!/usr/bin/env bash
# Runs one command inside the Wine session the tests run in (a virtual X
# display, a private Wine prefix made for this run and removed afterwards,
# its own loopback network where the machine allows it, the Spanish locale,
# no crash debugger, the X11 driver's "Managed" = "N"):
#
#   scripts/wine-session.sh COMMAND [ARGUMENTS...]
#
# for scripts/run-wine-tests.sh (ctest), the benchmarks, the screenshot
# script and the demo.  Inside, $WINEPREFIX, $DISPLAY and
# $KORVEX_WINE are set (scripts/wine-env.sh).  Exits with the command's
# status.
#
# KORVEX_KEEP_PREFIX=1 keeps the prefix afterwards (its path is printed);
# KORVEX_SESSION_DISPLAY=current runs on the caller's X display ($DISPLAY,
# a desktop with a window manager) instead of a virtual one;
# KORVEX_WINE_PREFIX_TEMPLATE=DIR makes the prefix a copy of DIR, a prefix
# of the same Wine made before, instead of making it new (the emulated
# machine of scripts/vm32/, where wineboot takes minutes).  Time limits
# follow KORVEX_TIME_SCALE (scripts/wine-env.sh).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ "${1:-}" == --inside-display ]]; then
  shift
  # shellcheck source=scripts/wine-env.sh
  source "$here/wine-env.sh"
  if [[ -z "${KORVEX_WINE_PREFIX_TEMPLATE:-}" ]]; then
    timeout --kill-after=10 "$(korvex_scaled 300)" "$KORVEX_WINE" wineboot --init
    timeout --kill-after=10 "$(korvex_scaled 300)" "$KORVEX_WINESERVER" -w || true
  fi
  if [[ "${KORVEX_SESSION_DISPLAY:-}" != current ]]; then
    # Xvfb has no window manager.
    timeout --kill-after=10 "$(korvex_scaled 120)" "$KORVEX_WINE" reg add 'HKCU\Software\Wine\X11 Driver' \
      /v Managed /t REG_SZ /d N /f >/dev/null
  fi
  status=0
  "$@" || status=$?
  timeout --kill-after=10 "$(korvex_scaled 60)" "$KORVEX_WINESERVER" -k || true
  exit $status
fi

[[ $# -ge 1 ]] || { echo "usage: $0 COMMAND [ARGUMENTS...]" >&2; exit 2; }
# shellcheck source=scripts/wine-env.sh
source "$here/wine-env.sh"
tools=(xvfb-run xauth)
if [[ "${KORVEX_SESSION_DISPLAY:-}" == current ]]; then
  [[ -n "${DISPLAY:-}" ]] || { echo "wine-session: no X display (DISPLAY is not set)" >&2; exit 1; }
  tools=()
fi
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "wine-session: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done
"$here/ensure-locale.sh"
while IFS= read -r name; do unset "$name"; done < <(env | grep -o '^LC_[A-Z_]*' || true)
unset LANGUAGE
export LANG=es_AR.UTF-8
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/korvex-wine.XXXXXX")
export WINEPREFIX
if [[ -n "${KORVEX_WINE_PREFIX_TEMPLATE:-}" ]]; then
  [[ -f "$KORVEX_WINE_PREFIX_TEMPLATE/system.reg" ]] ||
    { echo "wine-session: $KORVEX_WINE_PREFIX_TEMPLATE is not a Wine prefix" >&2; rm -rf "$WINEPREFIX"; exit 1; }
  cp -a "$KORVEX_WINE_PREFIX_TEMPLATE/." "$WINEPREFIX/"
fi
cleanup() {
  timeout --kill-after=5 "$(korvex_scaled 30)" "$KORVEX_WINESERVER" -k >/dev/null 2>&1 || true
  if [[ "${KORVEX_KEEP_PREFIX:-}" == 1 ]]; then
    echo "wine-session: the Wine prefix is kept in $WINEPREFIX"
  else
    rm -rf "$WINEPREFIX"
  fi
}
trap cleanup EXIT
# On a virtual display the session gets a loopback of its own when the
# machine allows it (root, unshare and ip), as the tests' sessions do: the
# robot's query port 127.0.0.1:19697 is fixed, and the session's robot must
# not meet another one running on the same machine.
own_loopback=()
if [[ "${KORVEX_SESSION_DISPLAY:-}" != current && $(id -u) -eq 0 ]] &&
   command -v unshare >/dev/null && command -v ip >/dev/null && unshare --net true 2>/dev/null; then
  own_loopback=(unshare --net -- bash -c 'ip link set lo up && exec "$@"' own-loopback)
fi
status=0
if [[ "${KORVEX_SESSION_DISPLAY:-}" == current ]]; then
  "$here/wine-session.sh" --inside-display "$@" || status=$?
else
  "${own_loopback[@]}" xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$here/wine-session.sh" --inside-display "$@" </dev/null || status=$?
fi
exit $status
