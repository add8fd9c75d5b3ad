# Debian riscv64: 64-bit RISC-V (RV64GC), where plain char is unsigned.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(NUMBERLIST_TRIPLE riscv64-linux-gnu)
set(NUMBERLIST_QEMU riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
