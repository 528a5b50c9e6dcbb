# Test build: the same code for x86_64, run under 64-bit Wine.
set(KESTREL_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
