# Cross-compiling Korvanta.exe for 64-bit Windows with MinGW-w64 (Debian: mingw-w64).
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVANTA_MINGW_TRIPLE x86_64-w64-mingw32)

# The win32 thread model: the program has one thread and needs no
# winpthread, so the static executable stays free of it.
find_program(CMAKE_C_COMPILER NAMES ${KORVANTA_MINGW_TRIPLE}-gcc-win32 ${KORVANTA_MINGW_TRIPLE}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KORVANTA_MINGW_TRIPLE}-g++-win32 ${KORVANTA_MINGW_TRIPLE}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KORVANTA_MINGW_TRIPLE}-windres REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVANTA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
