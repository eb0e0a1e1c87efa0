# Fails when a file holds a byte above 0x7F: cmake -DFILES=<a;b> -P check-ascii.cmake
# The device's resource compiler reads a script in the ANSI code page, so the scripts keep to
# ASCII and write anything else as an escape.
cmake_minimum_required(VERSION 3.25)

foreach(file IN LISTS FILES)
  file(READ ${file} bytes HEX)
  # Two hex digits a byte: a first digit of 8 to f at a byte's start is a byte above 0x7F.
  if(bytes MATCHES "^(..)*[89a-f].")
    string(LENGTH "${CMAKE_MATCH_0}" end)
    math(EXPR offset "${end} / 2 - 1")
    message(FATAL_ERROR "check-ascii: ${file}: byte ${offset} is not ASCII")
  endif()
endforeach()
list(LENGTH FILES count)
message(STATUS "check-ascii: ${count} files, ASCII only")
