# Cross-compiles for the Cortex-M that cortex_m_cpu names, with
# arm-none-eabi-gcc, as firmware without a C library but libgcc. Packages are
# searched for only in the target's sysroot, as a vendor's toolchain file
# does, so that veltabgen, a program of the build host, is found only where
# find_package asks for it outside (NO_CMAKE_FIND_ROOT_PATH).
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR ${cortex_m_cpu})
set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_C_FLAGS_INIT "-mcpu=${cortex_m_cpu} -mthumb -O2 -ffreestanding")
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
