# The engine's UDP output, external control and serial inputs, end to end on loopback and
# pseudo-terminals.
vq_test(app_engine_io_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_io_test.cpp
  DEPS vq_app util)
