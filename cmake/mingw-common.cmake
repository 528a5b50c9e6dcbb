# Shared part of the mingw-w64 toolchain files; KESTREL_TRIPLET names the target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KESTREL_TRIPLET})

# The -posix thread model gives std::thread and std::mutex (GoogleTest needs them).
set(CMAKE_C_COMPILER ${KESTREL_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KESTREL_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${KESTREL_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KESTREL_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Programs need nothing beyond the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Test executables run under Wine, isolated from every network but loopback.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/wine-isolated.sh)
