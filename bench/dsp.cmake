# Beam forming per ping, against the processor's single-core FMA peak.
vq_bench(vq_dsp_bench
         SOURCES ${CMAKE_CURRENT_LIST_DIR}/dsp_bench.cpp ${CMAKE_CURRENT_LIST_DIR}/dsp_peak.cpp
         DEPS vq_dsp)
