vq_test(command_packet_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_packet_test.cpp DEPS vq_link_packet)
vq_test(link_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/link_test.cpp DEPS vq_link vq_sim)
