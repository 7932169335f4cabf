vq_test(vq_pipeline_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/pipeline_test.cpp
        DEPS vq_pipeline vq_link vq_sim vq_link_packet)
