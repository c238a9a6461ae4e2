# Cross build for 32-bit Windows with MinGW-w64 (i686-w64-mingw32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(BF_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${BF_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BF_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${BF_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${BF_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The runtime DLLs would otherwise have to travel with every executable.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
