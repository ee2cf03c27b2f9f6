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

# The wineserver of the same installation as the loader.
KORVEX_WINESERVER=$(dirname "$KORVEX_WINE")/wineserver
if [[ ! -x "$KORVEX_WINESERVER" ]]; then
  KORVEX_WINESERVER=$(command -v wineserver64 2>/dev/null || command -v wineserver 2>/dev/null || echo wineserver)
fi
export KORVEX_WINESERVER
