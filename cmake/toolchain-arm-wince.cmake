# The device's morvane.dll: ARM code for Windows CE 5.01 (Windows Mobile 5.0), from Debian's
# packages only. GCC for arm-none-eabi writes the code with the device's calling convention;
# binutils for arm-mingw32ce, built once from Debian's binutils-source into the build tree,
# assembles it (through device/toolchain/asm_filter.py), compiles the resources and links the PE
# image against import libraries of the device's own system libraries (device/imports).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 5.01)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(MORVANE_DEVICE ON)

get_filename_component(morvane_root ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(MORVANE_DEVICE_BINUTILS ${morvane_root}/build/device-binutils CACHE PATH
    "binutils for arm-mingw32ce, built by device/toolchain/build-binutils")
# The first configure builds them (under two minutes on two cores); later ones find them.
if(NOT EXISTS ${MORVANE_DEVICE_BINUTILS}/stamp)
  execute_process(COMMAND ${morvane_root}/device/toolchain/build-binutils
                          ${MORVANE_DEVICE_BINUTILS}
                  RESULT_VARIABLE binutils_status)
  if(NOT binutils_status EQUAL 0)
    message(FATAL_ERROR "the device toolchain could not be built (see above)")
  endif()
endif()
# The path prefix of the tools, which device/CMakeLists.txt uses too.
set(MORVANE_DEVICE_TOOLS ${MORVANE_DEVICE_BINUTILS}/bin/arm-mingw32ce-)

set(CMAKE_C_COMPILER ${morvane_root}/device/toolchain/arm-wince-gcc)
set(CMAKE_CXX_COMPILER ${morvane_root}/device/toolchain/arm-wince-g++)
set(CMAKE_RC_COMPILER ${MORVANE_DEVICE_TOOLS}windres)
set(CMAKE_AR ${MORVANE_DEVICE_TOOLS}ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${MORVANE_DEVICE_TOOLS}ranlib CACHE FILEPATH "")
# No desktop libraries by default: device/CMakeLists.txt names the device's own.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "")
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "")
# Nothing links an executable for the device: the compiler checks compile and archive only.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# GCC's own headers (stddef.h, stdarg.h, limits.h) and the mingw-w64 headers for Win32, told
# what mingw's compiler would predefine and with the x86 calling-convention keywords empty: on
# ARM, WINAPI, CALLBACK and the C convention are one. _WIN32_WCE says the code is for the
# device; without UNDER_CE the sources keep platform/'s stand-ins of the SDK's own headers and
# platform/device_names.h maps the names the device's libraries export differently.
execute_process(COMMAND arm-none-eabi-gcc -print-file-name=include
                OUTPUT_VARIABLE gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)
set(device_headers -nostdinc -isystem ${gcc_include} -isystem ${gcc_include}-fixed
    -isystem /usr/share/mingw-w64/include)
set(device_defines -include ${morvane_root}/device/toolchain/predefined.h -D_WIN32_WCE=0x501
    -DUNICODE -D_UNICODE)

# The device's calling convention (ARM mode, APCS: 64-bit values in any register pair, structure
# results through memory, 32-bit enums, 16-bit wchar_t, no floating-point unit), a signed char as
# the device's compiler has it, the ARMv4T floor of every Windows Mobile 5.0 processor, returns
# that may go back to Thumb code (the system's libraries may be Thumb), and frames under 4 KB:
# the device's stack has no probes, and a larger frame could step past its guard page. Every
# function begins with its whole prologue, which the device's unwinder reads from the function
# table (.pdata): GCC would otherwise schedule body instructions into it, or save registers only
# on the paths that need them (shrink-wrapping); asm_filter.py refuses either.
set(device_code -marm -march=armv4t -mthumb-interwork -mabi=apcs-gnu -fpcc-struct-return
    -fshort-wchar -fsigned-char -mfloat-abi=soft -fno-common -fno-exceptions
    -mno-sched-prolog -fno-shrink-wrap
    -Werror=frame-larger-than=4095 --device-binutils=${MORVANE_DEVICE_BINUTILS})
# A build folder keeps the flags it was first configured with in its cache; one configured before
# a code flag above was added gets that flag added, as its code is not the device's without it.
foreach(language C CXX)
  if(DEFINED CACHE{CMAKE_${language}_FLAGS})
    set(cached " ${CMAKE_${language}_FLAGS} ")
    foreach(flag IN LISTS device_code)
      string(FIND "${cached}" " ${flag} " position)
      if(position EQUAL -1 AND NOT flag MATCHES "^--device-binutils=")
        set(CMAKE_${language}_FLAGS "${CMAKE_${language}_FLAGS} ${flag}" CACHE STRING "" FORCE)
      endif()
    endforeach()
  endif()
endforeach()
list(JOIN device_headers " " device_headers)
list(JOIN device_defines " " device_defines)
list(JOIN device_code " " device_code)
set(CMAKE_C_FLAGS_INIT "${device_code} ${device_headers} ${device_defines}")
set(CMAKE_CXX_FLAGS_INIT "${device_code} -fno-rtti ${device_headers} ${device_defines}")

# Resources: the PE resource compiler, with GCC for ARM as its preprocessor over the same headers.
set(CMAKE_RC_FLAGS_INIT "--target=pe-arm-wince-little --preprocessor=arm-none-eabi-gcc \
--preprocessor-arg=-E --preprocessor-arg=-xc --preprocessor-arg=-DRC_INVOKED \
--preprocessor-arg=-nostdinc --preprocessor-arg=-isystem \
--preprocessor-arg=/usr/share/mingw-w64/include --preprocessor-arg=-D_WIN32 \
--preprocessor-arg=-D_WIN32_WCE=0x501")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
