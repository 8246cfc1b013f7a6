# Cross-compiling for Windows with Debian's MinGW-w64 (the posix thread
# model); included by the per-architecture toolchain files, which set
# MINGW_TRIPLET.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# freeglut is built for the target outside the compiler's tree.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# The programs need nothing but Windows' own DLLs (and XAudio2's).
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
