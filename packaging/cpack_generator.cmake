# Read by cpack for each package it makes. The .deb leaves out the licence
# component: its copyright file already holds the licence.
if(CPACK_GENERATOR STREQUAL "DEB")
    list(TRANSFORM CPACK_INSTALL_CMAKE_PROJECTS REPLACE "^ALL$" "Unspecified")
endif()
