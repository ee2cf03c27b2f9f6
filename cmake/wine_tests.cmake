# Tests of the "wine" label, in both Windows builds.  The 64-bit build's run
# under 64-bit Wine here and in CI (scripts/run-wine-tests.sh); the 32-bit
# build's need a Wine that runs 32-bit programs, which this machine's kernel
# cannot: they run in the emulated machine of scripts/vm32/ (the preset
# win32-tests, by hand, scripts/vm32/run-32bit-suite.sh).
#
# KORVEX_TIME_SCALE multiplies each test's time limit, for a machine that runs
# Wine many times slower (the emulated one); the programs' own limits follow
# the variable of the same name in the environment (tools/common/time_scale.h).
set(KORVEX_TIME_SCALE 1 CACHE STRING "Factor of the Wine tests' time limits (1 on a real machine)")

# korvex_wine_test(NAME TIMEOUT COMMAND [ARGUMENTS...]): the test wine.NAME.
function(korvex_wine_test name timeout)
  if(CMAKE_CROSSCOMPILING)
    math(EXPR limit "${timeout} * ${KORVEX_TIME_SCALE}")
    add_test(NAME wine.${name} COMMAND ${ARGN})
    set_tests_properties(wine.${name} PROPERTIES LABELS wine TIMEOUT ${limit})
  endif()
endfunction()

# korvex_wine_program_test(NAME TARGET TIMEOUT): the test program TARGET run
# under Wine (scripts/wine-exec.sh) as wine.NAME.
function(korvex_wine_program_test name target timeout)
  korvex_wine_test(${name} ${timeout} ${PROJECT_SOURCE_DIR}/scripts/wine-exec.sh
                   $<TARGET_FILE:${target}>)
endfunction()
