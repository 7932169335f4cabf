# Recording file formats, recording control, playback reading and conversions.
vq_test(vq_recording_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/vqs_file_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_control_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/output_records_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/conversion_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/timing_test.cpp
  DEPS vq_recording)
