# The device-profile check, registered in the i686 build (the device's pointer width): every
# source of morvane.dll compiled as the device's C++03 compilers take it, with the names the
# device's SDK lacks poisoned after the system headers; the poisoning shown to refuse each of those
# names; the resource scripts in ASCII. Included from the top CMakeLists.txt after the item's
# libraries exist.
set(device_profile_flags -std=c++98 -pedantic-errors -Werror -Wall -Wextra
    -I${CMAKE_SOURCE_DIR} -include ${CMAKE_SOURCE_DIR}/platform/platform.h)
set(device_names_header ${CMAKE_SOURCE_DIR}/platform/not_on_device.h)

# The sources of the item's libraries, as their targets list them, the module entry, and the setup
# library the cabinet carries.
set(device_sources ${CMAKE_SOURCE_DIR}/item/module_entry.cpp)
foreach(library morvane_format morvane_settings_data morvane_settings morvane_item
                morvane_options morvane_setup)
  get_target_property(sources ${library} SOURCES)
  get_target_property(folder ${library} SOURCE_DIR)
  foreach(source IN LISTS sources)
    if(source MATCHES "\\.cpp$")
      get_filename_component(source ${source} ABSOLUTE BASE_DIR ${folder})
      list(APPEND device_sources ${source})
    endif()
  endforeach()
endforeach()

foreach(source IN LISTS device_sources)
  file(RELATIVE_PATH name ${CMAKE_SOURCE_DIR} ${source})
  add_test(NAME DeviceProfile/${name}
           COMMAND ${CMAKE_CXX_COMPILER} ${device_profile_flags} -include ${device_names_header}
                   -fsyntax-only ${source})
endforeach()
# The shell library's stand-ins go into the desktop's morvane.dll only (the device has the SDK's
# own, with the names it needs): C++03 too, but not held to the device's names.
foreach(stand_in shell_dialog shell_gesture)
  add_test(NAME DeviceProfile/platform/${stand_in}.cpp
           COMMAND ${CMAKE_CXX_COMPILER} ${device_profile_flags} -fsyntax-only
                   ${CMAKE_SOURCE_DIR}/platform/${stand_in}.cpp)
endforeach()

add_test(NAME DeviceProfile/PoisonedNamesAreRefused
         COMMAND ${CMAKE_COMMAND} -DCXX=${CMAKE_CXX_COMPILER} "-DFLAGS=${device_profile_flags}"
                 -DHEADER=${device_names_header} -DWORK=${CMAKE_CURRENT_BINARY_DIR}/device-profile
                 -P ${CMAKE_SOURCE_DIR}/cmake/check-poisoned-names.cmake)

file(GLOB resource_scripts ${CMAKE_SOURCE_DIR}/resources/*.rc)
add_test(NAME DeviceProfile/ResourceScriptsAreAscii
         COMMAND ${CMAKE_COMMAND} "-DFILES=${resource_scripts}"
                 -P ${CMAKE_SOURCE_DIR}/cmake/check-ascii.cmake)
