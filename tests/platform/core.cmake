vq_test(ini_file_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/ini_file_test.cpp DEPS vq_platform_core)
