include(GoogleTest)

# Registers a GoogleTest executable. Windows suites run under Wine, one process per test case, so
# every case starts with the settings unloaded; discovery runs at test time, never at build time,
# and needs the warm Wine server that scripts/test keeps for the whole run.
function(morvane_add_gtest target)
  if(MORVANE_NO_WINE_TESTS)
    return()
  endif()
  if(WIN32)
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                         PROPERTIES TIMEOUT 120 ${ARGN})
  else()
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST PROPERTIES TIMEOUT 60 ${ARGN})
  endif()
endfunction()
