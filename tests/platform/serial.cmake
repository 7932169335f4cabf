vq_test(platform_serial_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_port_test.cpp
  DEPS vq_platform_serial util)
