# The demo as firmware for a Cortex-M4, on qemu's MPS2 board.
set(cortex_m_cpu cortex-m4)
include(${CMAKE_CURRENT_LIST_DIR}/cortex_m.cmake)
