# Debian armel: 32-bit ARM with floating point in software (EABI 5), where plain char is unsigned.
set(CMAKE_SYSTEM_PROCESSOR armv5tel)
set(NUMBERLIST_TRIPLE arm-linux-gnueabi)
set(NUMBERLIST_QEMU arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
