# Checks what morvane.dll must look like to the Today screen and to the system loader:
#   cmake -DDLL=morvane.dll -DMAP=morvane.map -DOBJDUMP=<triplet>-objdump -P check-dll-image.cmake
# - exports: ordinals 240 and 241, nothing else, no names;
# - imports: the device's system DLLs only (everything else is linked in statically);
# - no C runtime start-up: the entry point is the module entry itself, so nothing may need the
#   start-up code it replaces: no static constructors or destructors, no thread-local storage, no
#   runtime pseudo-relocations (auto-imported data) that nothing would apply.
# The ordinals and names are typed here again on purpose, apart from the .def file and the
# sources: the check is an oracle of what the Today screen relies on, not a copy of the build.
# Stops with FATAL_ERROR (non-zero exit) on the first mismatch.
cmake_minimum_required(VERSION 3.25)

foreach(var DLL MAP OBJDUMP)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check-dll-image: ${var} not given")
  endif()
endforeach()

# AYGSHELL.DLL is the device's shell helper library (here our stand-in for it, built beside).
set(allowed_imports ADVAPI32.DLL AYGSHELL.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL USER32.DLL)

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "check-dll-image: ${OBJDUMP} -p ${DLL} failed")
endif()

function(fail what)
  message(FATAL_ERROR "check-dll-image: ${DLL}: ${what}")
endfunction()

# require(PATTERN WHAT): the dump must match PATTERN, else the check fails saying WHAT; the first
# group of the match is left in `found`.
function(require pattern what)
  if(NOT dump MATCHES "${pattern}")
    fail("${what}")
  endif()
  set(found "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# Exports.
require("Export Address Table[ \t]+0*([0-9a-fA-F]+)\n" "no export table")
if(NOT found STREQUAL "2")
  fail("export address table holds ${found} entries, not 2")
endif()
require("\\[Name Pointer/Ordinal\\] Table[ \t]+0*([0-9a-fA-F]*)\n" "no name table count")
if(NOT found STREQUAL "")
  fail("exports ${found} names; the host finds the exports by number only")
endif()
foreach(ordinal 240 241)
  require("\\+base\\[ *${ordinal}\\] +0*[1-9a-fA-F][0-9a-fA-F]* Export RVA"
          "ordinal ${ordinal} is not exported")
endforeach()

# Imports.
string(REGEX MATCHALL "DLL Name: [^\n]+" import_lines "${dump}")
foreach(line IN LISTS import_lines)
  string(REGEX REPLACE "DLL Name: *" "" name "${line}")
  string(STRIP "${name}" name)
  string(TOUPPER "${name}" upper)
  if(NOT upper IN_LIST allowed_imports)
    fail("imports ${name}; only ${allowed_imports} are expected")
  endif()
endforeach()

# Start-up: the entry point, no thread-local storage directory.
require("AddressOfEntryPoint[ \t]+0*[1-9a-fA-F]" "no entry point")
require("Entry 9 0+ 0+ Thread Storage Directory"
        "has a thread-local storage directory, which only the C runtime start-up serves")

# Input sections only the C runtime start-up would serve, by the link map. A section name too long
# for its column stands on a line of its own, with address and size on the next.
file(STRINGS ${MAP} map_lines)
set(pending "")
foreach(line IN LISTS map_lines)
  set(section "")
  set(size "")
  if(line MATCHES "^ (\\.(ctors|dtors|init_array|fini_array|tls|CRT|rdata_runtime_pseudo_reloc)[^ ]*)[ ]+0x[0-9a-f]+[ ]+0x([0-9a-f]+)")
    set(section "${CMAKE_MATCH_1}")
    set(size "${CMAKE_MATCH_3}")
  elseif(line MATCHES "^ (\\.(ctors|dtors|init_array|fini_array|tls|CRT|rdata_runtime_pseudo_reloc)[^ ]*)$")
    set(pending "${CMAKE_MATCH_1}")
    continue()
  elseif(pending AND line MATCHES "^[ ]+0x[0-9a-f]+[ ]+0x([0-9a-f]+)")
    set(section "${pending}")
    set(size "${CMAKE_MATCH_1}")
  endif()
  set(pending "")
  if(section AND NOT size MATCHES "^0+$")
    fail("links ${section} (0x${size} bytes), which needs the C runtime start-up: ${line}")
  endif()
endforeach()

message(STATUS "check-dll-image: ${DLL}: exports 240 and 241 by number, system imports only, "
               "no start-up code needed")
