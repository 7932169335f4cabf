# Profile detection and filter tests on hand-built beam rows.
vq_test(vq_profile_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/detectors_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/filters_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/marks_output_test.cpp
  DEPS vq_profile)

# The profile of pings from the simulated head through the beam former.
vq_test(vq_profile_physics_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_physics_test.cpp
  DEPS vq_profile vq_windows_lines vq_dsp vq_link_record vq_sim)
