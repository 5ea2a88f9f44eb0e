# Settings shared by the mingw-w64 cross toolchains; the per-target files set
# OSTREL_MINGW_TRIPLE and include this one.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${OSTREL_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OSTREL_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${OSTREL_MINGW_TRIPLE}-windres)
set(CMAKE_OBJDUMP ${OSTREL_MINGW_TRIPLE}-objdump)
set(CMAKE_FIND_ROOT_PATH /usr/${OSTREL_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The gcc runtime, the C++ runtime and the threads library are linked in, so
# Ostrel.dll and the programs need nothing beside them but the system DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
