# Debian i386: 32-bit x86, no SSE2 in its baseline, so the portable reader runs.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(NUMBERLIST_TRIPLE i686-linux-gnu)
set(NUMBERLIST_QEMU i386)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
