# Auxiliary sensors: NMEA GPS input with UTM, sound-velocity probe input, navigation state.
vq_library(vq_sensors
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/nmea_fields.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gps_parser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/utm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sv_probe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sensor_inputs.cpp
  DEPS vq_platform_serial Threads::Threads)
