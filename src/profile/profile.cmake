# Seabed profile: detectors, outlier and shape filters, along-track averaging, output table.
vq_library(vq_profile
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/detectors.cpp
    ${CMAKE_CURRENT_LIST_DIR}/segment_filter.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shape_filters.cpp
    ${CMAKE_CURRENT_LIST_DIR}/image_marks.cpp
    ${CMAKE_CURRENT_LIST_DIR}/profile_processor.cpp)
