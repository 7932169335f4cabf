vq_bench(pipeline_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/pipeline_bench.cpp
         DEPS vq_pipeline vq_link vq_link_packet vq_sim)
