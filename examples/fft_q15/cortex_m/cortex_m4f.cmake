# Cross-compiles for a Cortex-M4F with arm-none-eabi-gcc: its FPU, the
# hard-float ABI, and newlib's small C library (nano.specs), with no system
# beneath it (nosys.specs). A firmware of one's own can start from this file:
# it brings its own startup code and linker script, as startup.c and
# cortex_m4.ld are here, so newlib's startup files are left out. Packages are
# searched for only in the target's sysroot, so that veltabgen, a program of
# the build host, is found only where find_package asks for it outside
# (NO_CMAKE_FIND_ROOT_PATH).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR cortex-m4)
set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_C_FLAGS_INIT "-mcpu=cortex-m4 -mthumb -mfpu=fpv4-sp-d16 -mfloat-abi=hard -O2")
set(CMAKE_EXE_LINKER_FLAGS_INIT "--specs=nano.specs --specs=nosys.specs -nostartfiles")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/lib/arm-none-eabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
