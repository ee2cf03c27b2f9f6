# Sourced by the Wine scripts: finds the 64-bit Wine loader and sets the
# environment every Wine call of the tests shares.
#
# The Windows test programs are 64-bit.  Debian's /usr/bin/wine is a wrapper
# that prefers the 32-bit loader (package wine32) and falls back to
# /usr/lib/wine/wine64 when wine32 is absent; other distributions install
# wine64 on the PATH.  Taking the 64-bit loader directly gives the same
# result on every machine, with or without wine32.

korvex_find_wine64() {
  local candidate
  for candidate in "${KORVEX_WINE:-}" /usr/lib/wine/wine64 "$(command -v wine64 2>/dev/null || true)" \
                   /usr/lib/x86_64-linux-gnu/wine/wine64 "$(command -v wine 2>/dev/null || true)"; do
    if [[ -n "$candidate" && -x "$candidate" ]]; then
      printf '%s\n' "$candidate"
      return 0
    fi
  done
  return 1
}

if ! KORVEX_WINE=$(korvex_find_wine64); then
  echo "wine: no 64-bit Wine found (install the packages wine and wine64)" >&2
  return 1 2>/dev/null || exit 1
fi
export KORVEX_WINE
# The loader Wine starts child processes with (wineboot, services, ...).
export WINELOADER="${WINELOADER:-$KORVEX_WINE}"
export WINEDEBUG="${WINEDEBUG:--all}"
# No debugger on a crash (the process ends instead of waiting for a user),
# no .NET or HTML engine installers; overrides of the caller come after.
case "${WINEDLLOVERRIDES:-}" in
  "winedbg.exe=d;mscoree=d;mshtml=d"*) ;;
  *) WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}" ;;
esac
export WINEDLLOVERRIDES

# KORVEX_TIME_SCALE=N (1 to 100, default 1) stretches every time limit of
# the Wine scripts and of the test programs (tools/common/time_scale.h) for
# a machine that runs Wine N times slower: the emulated machine of the
# 32-bit campaign (scripts/vm32/).  korvex_scaled SECONDS prints a limit
# stretched.
korvex_time_scale=1
if [[ "${KORVEX_TIME_SCALE:-}" =~ ^[0-9]{1,3}$ ]] && ((10#$KORVEX_TIME_SCALE >= 1 && 10#$KORVEX_TIME_SCALE <= 100)); then
  korvex_time_scale=$((10#$KORVEX_TIME_SCALE))
fi
korvex_scaled() { echo $(($1 * korvex_time_scale)); }

# korvex_pe_bits FILE prints 32 or 64: the architecture of a Windows program
# or library (its PE header's machine), or fails for anything else.
korvex_pe_bits() {
  local offset machine
  offset=$(od -An -t u4 -j 60 -N 4 "$1" 2>/dev/null | tr -d ' ')
  [[ "$offset" =~ ^[0-9]+$ ]] || return 1
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" 2>/dev/null | tr -d ' ')
  case $machine in
    014c) echo 32 ;;
    8664) echo 64 ;;
    *) return 1 ;;
  esac
}

# The wineserver of the same installation as the loader.
KORVEX_WINESERVER=$(dirname "$KORVEX_WINE")/wineserver
if [[ ! -x "$KORVEX_WINESERVER" ]]; then
  KORVEX_WINESERVER=$(command -v wineserver64 2>/dev/null || command -v wineserver 2>/dev/null || echo wineserver)
fi
export KORVEX_WINESERVER
