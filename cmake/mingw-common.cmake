set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MORVANE_MINGW_TRIPLET})

# The posix thread model: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${MORVANE_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MORVANE_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MORVANE_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MORVANE_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Fully static, so no mingw runtime DLL has to sit beside the binaries.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

if(NOT MORVANE_NO_WINE_TESTS)
  # CTest runs the Windows executables under Wine in the build folder's private prefixes: one at
  # 96 dpi and one at 192 dpi for the high-resolution suites.
  set(MORVANE_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix" CACHE PATH "Wine prefix for tests")
  set(MORVANE_WINEPREFIX_192 "${CMAKE_BINARY_DIR}/wineprefix-192" CACHE PATH
      "Wine prefix configured for 192 dpi")
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_CURRENT_LIST_DIR}/../scripts/lib/wine-prefix-run ${MORVANE_WINEPREFIX} 96)
endif()
