# Shared by the per-architecture toolchain files: Debian's cross compiler for NUMBERLIST_TRIPLE,
# programs linked statically so that qemu-user runs them without a target root file system, and
# every target program (tests included) started through that emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${NUMBERLIST_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${NUMBERLIST_TRIPLE}-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-${NUMBERLIST_QEMU})
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

set(CMAKE_FIND_ROOT_PATH /usr/${NUMBERLIST_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
