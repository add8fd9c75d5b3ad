# Debian s390x: 64-bit and big-endian.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(NUMBERLIST_TRIPLE s390x-linux-gnu)
set(NUMBERLIST_QEMU s390x)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
