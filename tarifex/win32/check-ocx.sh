#!/usr/bin/env bash
# Checks the binary interface of built TARIFEX.OCX files with the MinGW
# objdump of their architecture:
#
#   tarifex/win32/check-ocx.sh build/win64/bin/TARIFEX.OCX build/win32/bin/TARIFEX.OCX
#
# - the exports are exactly DllCanUnloadNow, DllGetClassObject,
#   DllRegisterServer and DllUnregisterServer;
# - the imports are system libraries only: the runtime is linked statically,
#   so the control does not bring libstdc++-6.dll or libwinpthread-1.dll
#   into its host (which could not load it);
# - the module carries its type library as resource TYPELIB, built for its
#   own architecture (SYS_WIN32 in the 32-bit module, SYS_WIN64 in the
#   64-bit one);
# - its version resource says it registers itself ("OLESelfRegister").
# Prints one line per check, the size, and "N passed, M failed"; fails when
# one fails.
set -uo pipefail
# shellcheck source=scripts/pe-check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/pe-check.sh"

if [[ $# -lt 1 ]]; then
  echo "usage: $0 TARIFEX.OCX..." >&2
  exit 2
fi

# A grep -P pattern of an ASCII text as UTF-16LE.
utf16() { sed 's/./&\\x00/g' <<<"$1"; }

system_libraries='advapi32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll oleaut32.dll user32.dll ws2_32.dll'

for ocx in "$@"; do
  pe_open "$ocx" || continue
  # The SYSKIND its type library must carry.
  case "$format" in
    pei-x86-64) syskind=3 ;;
    pei-i386) syskind=1 ;;
  esac

  exports=$(pe_exports)
  wanted="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
  [[ "$exports" == "$wanted" ]]
  check "$format exports exactly: $wanted" $? "found: $exports"

  imports=$(pe_imports)
  others=""
  for library in $imports; do
    [[ " $system_libraries " == *" $library "* ]] || others+="$library "
  done
  [[ -n "$imports" && -z "$others" ]]
  check "$format imports system libraries only ($imports)" $? "also: $others"

  grep -qaP "$(utf16 TYPELIB)" "$ocx"
  check "$format has a TYPELIB resource" $?
  # A type library starts with "MSFT" 02 00 01 00; the low four bits of the
  # byte 20 further on are its SYSKIND.
  offset=$(grep -obUaP 'MSFT\x02\x00\x01\x00' "$ocx" | head -n1 | cut -d: -f1)
  found_kind=none
  if [[ -n "$offset" ]]; then
    found_kind=$(( $(od -An -tu1 -j $((offset + 20)) -N1 "$ocx") & 15 ))
  fi
  [[ "$found_kind" == "$syskind" ]]
  check "$format type library is built for its architecture (SYSKIND $syskind)" $? \
    "found: $found_kind"

  grep -qaP "$(utf16 OLESelfRegister)" "$ocx"
  check "$format version resource says OLESelfRegister" $?

  echo "      size $(stat -c %s "$ocx") bytes"
done

pe_summary
