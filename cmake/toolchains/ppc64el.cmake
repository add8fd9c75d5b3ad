# Debian ppc64el: 64-bit POWER, little-endian, where plain char is unsigned.
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(NUMBERLIST_TRIPLE powerpc64le-linux-gnu)
set(NUMBERLIST_QEMU ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
