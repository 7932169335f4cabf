vq_bench(link_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/link_bench.cpp DEPS vq_link vq_sim)
