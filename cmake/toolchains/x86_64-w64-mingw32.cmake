# Cross build for 64-bit Windows; the test suite of this build runs under
# wine64 on a Linux machine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(OSTREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
