#!/usr/bin/env bash
# Checks the binary interface of built Sentrel.dll files with the MinGW
# objdump of their architecture:
#
#   sentrel/check-dll.sh build/win64/bin/Sentrel.dll build/win32/bin/Sentrel.dll
#
# - the exports are exactly the two functions under the decorated names of
#   their signatures, void RegisterPilotek(HWND) and HMODULE
#   RobotGetDLLModule() as the Microsoft compiler decorates them for the
#   library's architecture, the same two under their plain names, and
#   _CallWndRetProc@12;
# - the section "Shared" exists with the characteristics 0xD0000040 (shared,
#   readable, writable, initialised data);
# - the library imports from kernel32 and user32 only: it is loaded into the
#   host program and must not bring a runtime DLL along;
# - it is no larger than 100 KB.
# Prints one line per check and "N passed, M failed"; fails when one fails.
set -uo pipefail

# shellcheck source=scripts/pe-check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/pe-check.sh"

if [[ $# -lt 1 ]]; then
  echo "usage: $0 Sentrel.dll..." >&2
  exit 2
fi

# Little-endian unsigned integer of $3 bytes at offset $2 of file $1.
read_le() {
  local bytes value=0 i
  read -r -a bytes < <(od -An -tu1 -j "$2" -N "$3" "$1")
  for ((i = ${#bytes[@]} - 1; i >= 0; i--)); do value=$((value * 256 + bytes[i])); done
  echo "$value"
}

# Characteristics of the named section, from the PE section table.
section_flags() {
  local file=$1 name=$2 pe sections optional table i entry
  pe=$(read_le "$file" 60 4)
  sections=$(read_le "$file" $((pe + 6)) 2)
  optional=$(read_le "$file" $((pe + 20)) 2)
  table=$((pe + 24 + optional))
  for ((i = 0; i < sections; i++)); do
    entry=$((table + 40 * i))
    if [[ "$(dd if="$file" bs=1 skip="$entry" count=8 status=none | tr -d '\0')" == "$name" ]]; then
      printf '0x%08X\n' "$(read_le "$file" $((entry + 36)) 4)"
      return 0
    fi
  done
  echo none
}

for dll in "$@"; do
  pe_open "$dll" || continue

  exports=$(pe_exports)
  # A pointer is "PA" in the 32-bit decoration and "PEA" (64-bit pointer)
  # in the 64-bit one.
  pointer=PA
  [[ "$format" == pei-x86-64 ]] && pointer=PEA
  wanted="?RegisterPilotek@@YAX${pointer}UHWND__@@@Z ?RobotGetDLLModule@@YA${pointer}UHINSTANCE__@@XZ"
  wanted+=" RegisterPilotek RobotGetDLLModule _CallWndRetProc@12 "
  [[ "$exports" == "$wanted" ]]
  check "$format exports exactly: $wanted" $? "found: $exports"

  flags=$(section_flags "$dll" Shared)
  [[ "$flags" == 0xD0000040 ]]
  check "$format section Shared has flags 0xD0000040" $? "found: $flags"

  imports=$(pe_imports)
  others=$(tr ' ' '\n' <<<"$imports" | grep -v -x -e '' -e kernel32.dll -e user32.dll | tr '\n' ' ')
  [[ -n "$imports" && -z "$others" ]]
  check "$format imports only kernel32/user32 ($imports)" $? "also: $others"

  size=$(stat -c %s "$dll")
  [[ $size -le 102400 ]]
  check "$format size $size bytes <= 100 KB" $?
done

pe_summary
