# Cross build for 32-bit Windows (the shipped Ostrel.dll and patcher.exe).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(OSTREL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
