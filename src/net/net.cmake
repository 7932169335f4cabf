# UDP output of points and beams, external control, and the command-line remote vq-remote.
vq_library(vq_net
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/udp_endpoint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/udp_output.cpp
    ${CMAKE_CURRENT_LIST_DIR}/control.cpp
    ${CMAKE_CURRENT_LIST_DIR}/control_receiver.cpp
    ${CMAKE_CURRENT_LIST_DIR}/output_plan.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_assembler.cpp
    ${CMAKE_CURRENT_LIST_DIR}/control_datagram.cpp
  DEPS vq_platform_net vq_settings Threads::Threads)

add_executable(vq-remote ${CMAKE_CURRENT_LIST_DIR}/remote_main.cpp)
target_link_libraries(vq-remote PRIVATE vq_net)
