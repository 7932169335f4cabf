# Sidescan and echo-sounder line sources and the altitude estimate.
vq_library(vq_windows_lines
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/strip_lines.cpp
    ${CMAKE_CURRENT_LIST_DIR}/altitude.cpp)
