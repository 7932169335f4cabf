# The per-ping pipeline: header check, beam forming with profile detection, image formation,
# hand-over of the picture, and the output steps.
vq_library(vq_pipeline
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/pipeline.cpp
  DEPS vq_link_record vq_dsp vq_display vq_profile vq_windows_lines vq_settings)

add_executable(vq-snapshot ${CMAKE_CURRENT_LIST_DIR}/snapshot_main.cpp)
target_link_libraries(vq-snapshot PRIVATE vq_pipeline vq_link_packet vq_sim)
