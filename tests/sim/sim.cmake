# Tests of the simulated sonar head.
vq_test(vq_sim_test
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/sim_protocol_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim_gather_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim_physics_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim_server_test.cpp
  DEPS vq_sim)

vq_test(vq_headsim_cli_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/headsim_cli_test.cpp
  DEPS vq_sim)
target_compile_definitions(vq_headsim_cli_test PRIVATE VQ_HEADSIM_PATH="$<TARGET_FILE:vq-headsim>")
add_dependencies(vq_headsim_cli_test vq-headsim)
