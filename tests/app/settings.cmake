vq_test(settings_file_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/settings_file_test.cpp DEPS vq_settings)
