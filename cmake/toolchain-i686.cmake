# Shipped build: the 32-bit programs.
set(KESTREL_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
