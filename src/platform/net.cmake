# Sockets: our own small POSIX layer in place of the system's socket service.
vq_library(vq_platform_net SOURCES ${CMAKE_CURRENT_LIST_DIR}/tcp_socket.cpp)
