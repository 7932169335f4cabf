# Beam forming, shot averaging and the byte image, with pings from the simulated head.
vq_test(vq_dsp_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/geometry_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/averaging_image_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/reference_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/physics_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/link_physics_test.cpp
        DEPS vq_dsp vq_link_record vq_link vq_sim)
