# The unattended conversion of a recording through the whole engine.
vq_bench(conversion_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/conversion_bench.cpp
         DEPS vq_app vq_link_packet vq_sim vq_recording)
