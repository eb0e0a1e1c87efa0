include(GoogleTest)

# Registers a GoogleTest executable: each of its cases as a CTest case, discovered at test time
# (never at build time, which needs no Wine), and the whole executable as one more case,
# "whole/<target>", since its cases must also pass in one process, in any order. Windows suites
# run under Wine through scripts/lib/wine-prefix-run; HIGH_DPI runs them in the prefix configured
# for 192 dpi, with their cases named "Dpi192/...". Further arguments are CTest properties.
function(morvane_add_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 gtest "HIGH_DPI" "" "")
  if(MORVANE_NO_WINE_TESTS)
    return()
  endif()
  set(prefix "")
  if(gtest_HIGH_DPI)
    set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR
      "${CMAKE_SOURCE_DIR}/scripts/lib/wine-prefix-run;${MORVANE_WINEPREFIX_192};192")
    set(prefix "Dpi192/")
  endif()
  set(timeout 60)
  if(WIN32)
    set(timeout 120)
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       TEST_PREFIX "${prefix}" PROPERTIES TIMEOUT ${timeout}
                       ${gtest_UNPARSED_ARGUMENTS})
  add_test(NAME whole/${prefix}${target} COMMAND ${target})
  set_tests_properties(whole/${prefix}${target} PROPERTIES TIMEOUT 900
                       ${gtest_UNPARSED_ARGUMENTS})
endfunction()
