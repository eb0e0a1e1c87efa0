# Shows that the header of names the device lacks refuses every one of them:
#   cmake -DCXX=<compiler> -DFLAGS=<flags> -DHEADER=not_on_device.h -DWORK=<folder>
#         -P check-poisoned-names.cmake
# Compiles a source that uses each poisoned name once, after the header, and fails unless the
# compiler refuses each use as poisoned.
cmake_minimum_required(VERSION 3.25)

file(STRINGS ${HEADER} poison_lines REGEX "^#pragma GCC poison ")
set(names "")
foreach(line IN LISTS poison_lines)
  string(REGEX REPLACE "^#pragma GCC poison +" "" line "${line}")
  string(REGEX REPLACE " +" ";" line "${line}")
  list(APPEND names ${line})
endforeach()
list(LENGTH names count)
if(count EQUAL 0)
  message(FATAL_ERROR "check-poisoned-names: ${HEADER} poisons nothing")
endif()

set(source "#include \"${HEADER}\"\n")
foreach(name IN LISTS names)
  string(APPEND source "${name}\n")
endforeach()
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/uses_poisoned_names.cpp "${source}")
execute_process(COMMAND ${CXX} ${FLAGS} -fsyntax-only ${WORK}/uses_poisoned_names.cpp
                RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
if(status EQUAL 0)
  message(FATAL_ERROR "check-poisoned-names: a source using every poisoned name compiled")
endif()
set(missed "")
foreach(name IN LISTS names)
  if(NOT errors MATCHES "attempt to use poisoned \"${name}\"")
    list(APPEND missed ${name})
  endif()
endforeach()
if(missed)
  message(FATAL_ERROR "check-poisoned-names: not refused as poisoned: ${missed}\n${errors}")
endif()
message(STATUS "check-poisoned-names: all ${count} names refused")
