vq_test(tcp_socket_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/tcp_socket_test.cpp DEPS vq_platform_net)
