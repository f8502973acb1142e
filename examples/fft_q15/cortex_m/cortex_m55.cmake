# Cross-compiles for a Cortex-M55 with arm-none-eabi-gcc: its Helium (MVE)
# vector extension and FPU, with the hard-float ABI, as firmware without a C
# library but libgcc, for qemu's mps3-an547 board (cortex_m55.ld). Packages are searched
# for only in the target's sysroot, so that veltabgen, a program of the build
# host, is found only where find_package asks for it outside
# (NO_CMAKE_FIND_ROOT_PATH).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR cortex-m55)
set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_C_FLAGS_INIT "-mcpu=cortex-m55 -mthumb -mfloat-abi=hard -O2 -ffreestanding")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-nostdlib -nostartfiles")
# But for libgcc, which a program may need for what the core has no
# instruction for, such as CMSIS-DSP's q31 MFCC's 64-bit division.
set(CMAKE_C_STANDARD_LIBRARIES "-lgcc")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/lib/arm-none-eabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
