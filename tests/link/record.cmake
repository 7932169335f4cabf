# The ping parser, header check and head-type adoption, driven by the simulated head.
vq_test(vq_link_record_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/ping_record_test.cpp
                ${CMAKE_CURRENT_LIST_DIR}/header_check_test.cpp
        DEPS vq_link_record vq_dsp vq_sim)
