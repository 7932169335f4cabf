#Status and GPS read - outs of the main window : texts, colours, lamps, blink and time - out rules.
vq_library(vq_display_readouts SOURCES ${CMAKE_CURRENT_LIST_DIR} / readouts.cpp DEPS vq_sensors)
