# The Linux program and its suites for x86 (32 bits), with the host's multilib compilers
# (g++-multilib). Kernels without 32-bit support run them under qemu-i386, user mode, which
# needs nothing of the kernel; so do the test binaries and the programs the tests start.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT -m32)
set(CMAKE_CXX_FLAGS_INIT -m32)
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
find_program(DUPSCAN_QEMU_I386 qemu-i386 REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${DUPSCAN_QEMU_I386})
