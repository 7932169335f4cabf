# Sidescan and echo-sounder lines, altitude estimate.
vq_test(vq_windows_lines_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/strip_lines_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/altitude_test.cpp
  DEPS vq_windows_lines)
