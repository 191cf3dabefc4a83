# The same sources for 64-bit Windows: the build that runs under wine64 on
# machines that cannot execute 32-bit x86 code (see README, "Testing").
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
