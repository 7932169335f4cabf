# Serial input layer over POSIX termios.
vq_library(vq_platform_serial
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/serial_port.cpp
  DEPS Threads::Threads)
