# Track plotter model: fixes, jump filter, swath lines, screen mapping and drawing primitives.
vq_library(vq_windows_track SOURCES ${CMAKE_CURRENT_LIST_DIR}/track_model.cpp DEPS vq_sensors)
