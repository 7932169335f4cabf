# Profile detection and filtering per ping.
vq_bench(vq_profile_bench
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/profile_bench.cpp
  DEPS vq_profile)
