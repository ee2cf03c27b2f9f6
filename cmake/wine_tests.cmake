# Tests of the "wine" label: registered in the 64-bit Windows build only.
# Wine runs 64-bit programs only on this machine; the 32-bit build is
# compiled and linked, and its binaries are checked statically.

# korvex_wine_test(NAME TIMEOUT COMMAND [ARGUMENTS...]): the test wine.NAME.
function(korvex_wine_test name timeout)
  if(CMAKE_CROSSCOMPILING AND CMAKE_SIZEOF_VOID_P EQUAL 8)
    add_test(NAME wine.${name} COMMAND ${ARGN})
    set_tests_properties(wine.${name} PROPERTIES LABELS wine TIMEOUT ${timeout})
  endif()
endfunction()

# korvex_wine_program_test(NAME TARGET TIMEOUT): the test program TARGET run
# under Wine (scripts/wine-exec.sh) as wine.NAME.
function(korvex_wine_program_test name target timeout)
  korvex_wine_test(${name} ${timeout} ${PROJECT_SOURCE_DIR}/scripts/wine-exec.sh
                   $<TARGET_FILE:${target}>)
endfunction()
