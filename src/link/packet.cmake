# The command packet (pure) and the TCP link with its ping cycle.
vq_library(vq_link_packet SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_packet.cpp DEPS vq_settings)
vq_library(vq_link SOURCES ${CMAKE_CURRENT_LIST_DIR}/link_thread.cpp
           DEPS vq_link_packet vq_platform_net Threads::Threads)
