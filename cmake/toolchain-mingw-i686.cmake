# The device's pointer width. Wine's 32-bit half is not installed here, so its tests are built
# but not registered.
set(MORVANE_MINGW_TRIPLET i686-w64-mingw32)
set(MORVANE_NO_WINE_TESTS ON)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
