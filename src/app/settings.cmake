# The settings file: loading and saving the settings store, and the range table.
vq_library(vq_settings
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/settings_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/range_table.cpp
  DEPS vq_platform_core)
