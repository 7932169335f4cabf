# Recording file formats, recording control, playback reading and conversions.
vq_library(vq_recording
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/time_stamp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_names.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vqs_format.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vqs_reader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/disk_space.cpp
    ${CMAKE_CURRENT_LIST_DIR}/output_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_names.cpp
    ${CMAKE_CURRENT_LIST_DIR}/recording_control.cpp
    ${CMAKE_CURRENT_LIST_DIR}/point_record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/xtf_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/csv_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/conversion.cpp)
