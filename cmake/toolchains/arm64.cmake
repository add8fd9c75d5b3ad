# Debian arm64: 64-bit ARM, whose every processor has NEON: the portable and NEON kernels.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(NUMBERLIST_TRIPLE aarch64-linux-gnu)
set(NUMBERLIST_QEMU aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
