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
export LC_ALL=C

if [[ $# -lt 1 ]]; then
  echo "usage: $0 KORVEX.exe..." >&2
  exit 2
fi

passed=0
failed=0
check() {  # check DESCRIPTION CONDITION-RESULT(0 ok) [DETAIL]
  if [[ $2 -eq 0 ]]; then
    passed=$((passed + 1))
    echo "ok    $1"
  else
    failed=$((failed + 1))
    echo "FAIL  $1${3:+: $3}"
  fi
}

for exe in "$@"; do
  echo "== $exe"
  if [[ ! -f "$exe" ]]; then
    check "$exe exists" 1
    continue
  fi
  format=$(x86_64-w64-mingw32-objdump -f "$exe" 2>/dev/null | sed -n 's/.*file format //p')
  case "$format" in
    pei-x86-64) objdump=x86_64-w64-mingw32-objdump ;;
    pei-i386) objdump=i686-w64-mingw32-objdump ;;
    *) check "$exe is a PE program" 1 "format '$format'"; continue ;;
  esac
  headers=$("$objdump" -p "$exe")

  grep -q 'Subsystem.*Windows GUI' <<<"$headers"
  check "$format is a Windows GUI program" $?

  imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u | tr '\n' ' ')
  [[ " $imports" == *" sentrel.dll "* ]]
  check "$format imports Sentrel.dll" $? "imports: $imports"
  system='advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll sentrel.dll shell32.dll user32.dll version.dll winmm.dll ws2_32.dll'
  others=$(tr ' ' '\n' <<<"$imports" | grep -v -x -e '' $(printf -- '-e %s ' $system) | tr '\n' ' ')
  [[ -z "$others" ]]
  check "$format imports system libraries only, no runtime DLL" $? "also: $others"

  folder=$(dirname "$exe")
  [[ -f "$folder/Sentrel.dll" && -f "$folder/default.wav" && -f "$folder/KORVEX.html" ]]
  check "$format has Sentrel.dll, default.wav and the manual KORVEX.html beside it" $?
done

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
