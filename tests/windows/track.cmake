vq_test(windows_track_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/track_model_test.cpp
  DEPS vq_windows_track)
