vq_test(sensors_gps_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gps_parser_test.cpp
  DEPS vq_sensors vq_platform_serial util)

# UTM is checked against GeographicLib, used by this test only.
find_path(VQ_GEOGRAPHICLIB_INCLUDE GeographicLib/UTMUPS.hpp)
find_library(VQ_GEOGRAPHICLIB_LIBRARY NAMES GeographicLib Geographic)
if(VQ_GEOGRAPHICLIB_INCLUDE AND VQ_GEOGRAPHICLIB_LIBRARY)
  vq_test(sensors_utm_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/utm_test.cpp
    DEPS vq_sensors ${VQ_GEOGRAPHICLIB_LIBRARY})
  target_include_directories(sensors_utm_test SYSTEM PRIVATE ${VQ_GEOGRAPHICLIB_INCLUDE})
else()
  message(STATUS "GeographicLib not found (Debian: libgeographiclib-dev): UTM test skipped")
endif()

vq_test(sensors_sv_probe_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sv_probe_test.cpp
  DEPS vq_sensors vq_platform_serial util)

vq_test(sensors_inputs_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sensor_inputs_test.cpp
  DEPS vq_sensors util)
