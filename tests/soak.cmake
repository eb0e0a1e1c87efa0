# The soak under Wine: a simulated day of a seconds clock and repeated open-and-Done cycles of
# every dialog, with GDI and USER objects and memory compared before and after. CTest runs a
# short version; scripts/soak runs the whole day and 1,000 cycles. Included from
# tests/CMakeLists.txt, after the dialog driver.
if(NOT WIN32)
  return()
endif()

add_executable(soak_tests soak_main.cpp support/measure.cpp ${CMAKE_SOURCE_DIR}/resources/morvane.rc)
target_link_libraries(soak_tests PRIVATE morvane_options morvane_item tests_support gtest
                                         psapi ntdll)
set_target_properties(soak_tests PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(NOT MORVANE_NO_WINE_TESTS)
  # An hour of ticks and 20 cycles of each dialog.
  add_test(NAME Soak COMMAND soak_tests --ticks=3600 --cycles=20)
  set_tests_properties(Soak PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
endif()
