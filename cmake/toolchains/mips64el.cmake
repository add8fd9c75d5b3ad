# Debian mips64el: 64-bit MIPS, little-endian (N64 ABI).
set(CMAKE_SYSTEM_PROCESSOR mips64)
set(NUMBERLIST_TRIPLE mips64el-linux-gnuabi64)
set(NUMBERLIST_QEMU mips64el)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
