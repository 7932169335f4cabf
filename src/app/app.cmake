# The application shell: menus, operating state, the engine that wires the subsystems, and the
# command line.
vq_library(vq_app_menu
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/menu_table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/operating_state.cpp
  DEPS vq_settings)
vq_library(vq_app
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/engine.cpp
    ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli.cpp
    ${CMAKE_CURRENT_LIST_DIR}/engine_io.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ping_outputs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/playback.cpp
  DEPS vq_app_menu vq_pipeline vq_link vq_sim vq_settings vq_recording vq_net vq_sensors
       Threads::Threads)
