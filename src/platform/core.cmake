# Our own layers in place of the operating system's services: the profile (INI) file and the
# write-then-rename file replacement.
vq_library(vq_platform_core
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ini_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/atomic_file.cpp)
