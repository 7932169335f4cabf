vq_bench(sim_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim_bench.cpp DEPS vq_sim)
