vq_test(vq_engine_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_test.cpp DEPS vq_app TIMEOUT 300)
