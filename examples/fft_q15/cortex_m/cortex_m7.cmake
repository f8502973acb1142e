# The demo as firmware for a Cortex-M7, on qemu's MPS2 board.
set(cortex_m_cpu cortex-m7)
include(${CMAKE_CURRENT_LIST_DIR}/cortex_m.cmake)
