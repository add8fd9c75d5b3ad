# Debian armhf: 32-bit ARM, where plain char is unsigned.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(NUMBERLIST_TRIPLE arm-linux-gnueabihf)
set(NUMBERLIST_QEMU arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
