vq_bench(vq_display_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/display_bench.cpp DEPS vq_display)
