vq_test(vq_e2e_physics_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e_physics_test.cpp
        DEPS vq_pipeline vq_link vq_sim vq_link_packet)
