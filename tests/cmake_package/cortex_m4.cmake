# The example's Cortex-M4 toolchain, which confines packages to the target's
# sysroot as vendors' do, at -Os with a section for each object, where a
# table not asked to be aligned may lie 2 bytes off. The code must compile
# without a warning.
include(${CMAKE_CURRENT_LIST_DIR}/../../examples/fft_q15/cortex_m/cortex_m4.cmake)
string(APPEND CMAKE_C_FLAGS_INIT " -Os -ffunction-sections -fdata-sections -Wall -Wextra -Werror")
