#!/usr/bin/env bash
# Checks built KORVEX.exe files with the MinGW objdump of their
# architecture:
#
#   robot/win32/check-exe.sh build/win64/bin/KORVEX.exe build/win32/bin/KORVEX.exe
#
# - a Windows GUI program;
# - it imports Sentrel.dll (the robot links the hook library by import)
#   and otherwise system libraries only: the compiler's runtime is linked in,
#   so the program runs when copied alone with its library;
# - Sentrel.dll, default.wav and the manual KORVEX.html sit beside it.
# Prints one line per check and "N passed, M failed"; fails when one fails.
set -uo pipefail

# shellcheck source=scripts/pe-check.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/pe-check.sh"

if [[ $# -lt 1 ]]; then
  echo "usage: $0 KORVEX.exe..." >&2
  exit 2
fi

for exe in "$@"; do
  pe_open "$exe" || continue

  grep -q 'Subsystem.*Windows GUI' <<<"$headers"
  check "$format is a Windows GUI program" $?

  imports=$(pe_imports)
  [[ " $imports" == *" sentrel.dll "* ]]
  check "$format imports Sentrel.dll" $? "imports: $imports"
  system='advapi32.dll comctl32.dll comdlg32.dll gdi32.dll iphlpapi.dll kernel32.dll msvcrt.dll ole32.dll sentrel.dll shell32.dll user32.dll version.dll winmm.dll ws2_32.dll'
  others=$(tr ' ' '\n' <<<"$imports" | grep -v -x -e '' $(printf -- '-e %s ' $system) | tr '\n' ' ')
  [[ -z "$others" ]]
  check "$format imports system libraries only, no runtime DLL" $? "also: $others"

  folder=$(dirname "$exe")
  [[ -f "$folder/Sentrel.dll" && -f "$folder/default.wav" && -f "$folder/KORVEX.html" ]]
  check "$format has Sentrel.dll, default.wav and the manual KORVEX.html beside it" $?
done

pe_summary
