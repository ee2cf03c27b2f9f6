# Sourced by the checks of the built Windows binaries (sentrel/check-dll.sh,
# robot/win32/check-exe.sh, tarifex/win32/check-ocx.sh): the tally of checks
# and what they read of a PE file with the MinGW objdump of its architecture.
#
#   check DESCRIPTION STATUS [DETAIL]   counts a check (STATUS 0: passed)
#                                       and prints it
#   pe_open FILE                        sets $format (pei-x86-64, pei-i386),
#                                       $objdump and $headers (objdump -p);
#                                       fails, counted, when FILE is missing
#                                       or not a PE file of either
#   pe_exports                          the exported names, sorted, each
#                                       followed by a blank
#   pe_imports                          the imported libraries, lower case,
#                                       sorted, each followed by a blank
#   pe_summary                          "N passed, M failed"; fails when one
#                                       failed
# shellcheck shell=bash

# objdump speaks the user's language; the parsing reads its English.
export LC_ALL=C

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

pe_open() {  # pe_open FILE
  echo "== $1"
  if [[ ! -f "$1" ]]; then
    check "$1 exists" 1
    return 1
  fi
  format=$(x86_64-w64-mingw32-objdump -f "$1" 2>/dev/null | sed -n 's/.*file format //p')
  case "$format" in
    pei-x86-64) objdump=x86_64-w64-mingw32-objdump ;;
    pei-i386) objdump=i686-w64-mingw32-objdump ;;
    *) check "$1 is a PE file" 1 "format '$format'"; return 1 ;;
  esac
  if ! command -v "$objdump" >/dev/null; then
    check "$objdump is installed" 1
    return 1
  fi
  headers=$("$objdump" -p "$1")
}

pe_exports() {
  awk '/^\[Ordinal\/Name Pointer\] Table/ { on = 1; next }
       on && /^\t\[ *[0-9]+\] / { sub(/^\t\[ *[0-9]+\] /, ""); print; next }
       on { exit }' <<<"$headers" | sort | tr '\n' ' '
}

pe_imports() {
  sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]' | sort -u | tr '\n' ' '
}

pe_summary() {
  echo "$passed passed, $failed failed"
  [[ $failed -eq 0 ]]
}
