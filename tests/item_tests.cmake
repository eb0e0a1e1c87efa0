# The Today item's suites, run under Wine against the real window manager and GDI, and today.exe
# with morvane.dll end to end. Included from tests/CMakeLists.txt.
if(NOT WIN32)
  return()
endif()

# The item's library attached to the test executable's own module, which carries the same
# resources (class name, icon) and a dialog template of the suites' own.
set(item_test_resources fixtures/item_test.rc ${CMAKE_SOURCE_DIR}/resources/morvane.rc)

add_executable(item_tests
  item_query_test.cpp
  item_metrics_test.cpp
  item_paint_test.cpp
  item_window_test.cpp
  item_scale_test.cpp
  ${item_test_resources})
target_link_libraries(item_tests PRIVATE morvane_item morvane_platform gtest_main)
morvane_add_gtest(item_tests RUN_SERIAL TRUE)

# The same item on a 192-dpi screen: a second prefix configured with LogPixels 192, prepared and
# its server started on first use by the emulator wrapper.
add_executable(item_dpi_tests item_dpi_test.cpp ${item_test_resources})
target_link_libraries(item_dpi_tests PRIVATE morvane_item morvane_platform gtest_main)
morvane_add_gtest(item_dpi_tests HIGH_DPI RUN_SERIAL TRUE)

# Libraries that are not morvane.dll: one without export 240, for today.exe's refusal, an item
# without export 241, whose settings page today.exe says is missing, and a setup library that
# cancels, for the installer.
foreach(library host_not_item host_no_page setup_cancel)
  add_library(fixtures_${library} SHARED fixtures/${library}.cpp fixtures/${library}.def)
  set_target_properties(fixtures_${library} PROPERTIES PREFIX "" OUTPUT_NAME ${library}
                                                       RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()
target_link_libraries(fixtures_host_no_page PRIVATE user32)

# today.exe end to end (its screen, its registration), morvane.dll's image as a file, the
# store_settings tool and the stand-in installer (with its test cabinets), each suite file on its
# own subject.
include(${CMAKE_CURRENT_SOURCE_DIR}/fixtures/cabinets/cabinets.cmake)
add_executable(host_tests today_screen_test.cpp today_registration_test.cpp library_image_test.cpp
                          store_settings_test.cpp installer_test.cpp)
target_link_libraries(host_tests PRIVATE morvane_installer gtest_main ole32 windowscodecs uuid)
target_compile_definitions(host_tests PRIVATE UNICODE _UNICODE)
add_dependencies(host_tests today morvane fixtures_host_not_item fixtures_host_no_page
                 tools_store_settings wceload cabinets test_cabinets cabinet_without_setup)
morvane_add_gtest(host_tests RUN_SERIAL TRUE)

# The real morvane.dll's item worked as a person works it: the highlight, taps, tap and hold with
# its settings page, the action key, and the refresh query's readiness wait.
add_executable(item_library_tests item_library_test.cpp)
target_link_libraries(item_library_tests PRIVATE tests_support morvane_settings gtest_main
                                                 ole32 windowscodecs uuid)
add_dependencies(item_library_tests morvane aygshell ctlpnl)
morvane_add_gtest(item_library_tests RUN_SERIAL TRUE)
