# The stored-settings fuzzer under Wine: each batch a fresh process with random values under the
# settings key (settings_fuzz_main.cpp says what it checks). CTest runs a short, fixed run;
# scripts/settings-fuzz runs longer. Included from fuzz/CMakeLists.txt in a Windows build.
if(NOT WIN32)
  return()
endif()

add_executable(settings_fuzz settings_fuzz_main.cpp settings_fuzz_store.cpp
                             ${CMAKE_SOURCE_DIR}/tests/support/measure.cpp
                             ${CMAKE_SOURCE_DIR}/resources/morvane.rc)
target_link_libraries(settings_fuzz PRIVATE morvane_options morvane_item morvane_platform psapi
                                            ntdll)
set_target_properties(settings_fuzz PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(NOT MORVANE_NO_WINE_TESTS)
  add_test(NAME SettingsFuzz COMMAND settings_fuzz 1 12)
  set_tests_properties(SettingsFuzz PROPERTIES TIMEOUT 60 RUN_SERIAL TRUE)
endif()
