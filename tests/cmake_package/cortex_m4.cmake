# Cross-compiles for a Cortex-M4 with arm-none-eabi-gcc, as a vendor's
# toolchain file does: everything but programs is searched for only in the
# target's sysroot, so that a package of the host, such as veltabgen, is found
# only where find_package asks for it outside the sysroot. The code must
# compile without a warning.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_C_FLAGS_INIT
    "-mcpu=cortex-m4 -mthumb -Os -ffunction-sections -fdata-sections -Wall -Wextra -Werror")
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(CMAKE_FIND_ROOT_PATH /usr/lib/arm-none-eabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
