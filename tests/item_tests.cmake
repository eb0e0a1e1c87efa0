# The Today item's suites, run under Wine against the real window manager and GDI, and today.exe
# with morvane.dll end to end. Included from tests/CMakeLists.txt.
if(NOT WIN32)
  return()
endif()

# The item's library attached to the test executable's own module, which carries the same
# resources (class name, icon) and a dialog template of the suites' own.
set(item_test_resources item_test.rc ${CMAKE_SOURCE_DIR}/resources/morvane.rc)

add_executable(item_tests
  item_query_test.cpp
  item_metrics_test.cpp
  item_paint_test.cpp
  item_window_test.cpp
  item_scale_test.cpp
  ${item_test_resources})
target_link_libraries(item_tests PRIVATE morvane_item gtest_main)
morvane_add_gtest(item_tests RUN_SERIAL TRUE)

# The same item on a 192-dpi screen: a second prefix configured with LogPixels 192, prepared and
# its server started on first use by the emulator wrapper.
add_executable(item_dpi_tests item_dpi_test.cpp ${item_test_resources})
target_link_libraries(item_dpi_tests PRIVATE morvane_item gtest_main)
morvane_add_gtest(item_dpi_tests HIGH_DPI RUN_SERIAL TRUE)

# A library without export 240, for today.exe's refusal.
add_library(host_not_item SHARED host_not_item.cpp host_not_item.def)
set_target_properties(host_not_item PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_executable(host_tests host_today_test.cpp)
target_compile_definitions(host_tests PRIVATE MORVANE_BUILD_DIR="${CMAKE_BINARY_DIR}")
target_link_libraries(host_tests PRIVATE gtest_main ole32 windowscodecs uuid)
add_dependencies(host_tests today morvane host_not_item store_settings)
morvane_add_gtest(host_tests RUN_SERIAL TRUE)
