# The simulated sonar head: library (in-process use by tests and the program) and vq-headsim.
vq_library(vq_sim
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/head_profile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ping_protocol.cpp
    ${CMAKE_CURRENT_LIST_DIR}/echo_synth.cpp
    ${CMAKE_CURRENT_LIST_DIR}/head_engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/offline_ping.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim_head.cpp
  DEPS Threads::Threads)

add_executable(vq-headsim ${CMAKE_CURRENT_LIST_DIR}/headsim_main.cpp)
target_link_libraries(vq-headsim PRIVATE vq_sim)
