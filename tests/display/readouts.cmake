vq_test(display_readouts_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/readouts_test.cpp
  DEPS vq_display_readouts)
