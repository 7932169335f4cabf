# The sonar picture: colour tables, scan conversion of every display mode, grid and labels,
# persistence, background removal, signal strip, waterfall, profile overlay, PNG export.
find_package(PNG REQUIRED)
vq_library(vq_display
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/palette.cpp
    ${CMAKE_CURRENT_LIST_DIR}/display_params.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pixel_tables.cpp
    ${CMAKE_CURRENT_LIST_DIR}/table_builders.cpp
    ${CMAKE_CURRENT_LIST_DIR}/grid_font.cpp
    ${CMAKE_CURRENT_LIST_DIR}/grid.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scan_convert.cpp
    ${CMAKE_CURRENT_LIST_DIR}/scan_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/background.cpp
    ${CMAKE_CURRENT_LIST_DIR}/signal_strip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/waterfall.cpp
    ${CMAKE_CURRENT_LIST_DIR}/profile_overlay.cpp
    ${CMAKE_CURRENT_LIST_DIR}/png_export.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sonar_picture.cpp
  DEPS PNG::PNG)
# The per-ping kernels are worth full optimisation (vectorised persistence and overlay masks).
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/scan_convert.cpp
                            ${CMAKE_CURRENT_LIST_DIR}/scan_rows.cpp PROPERTIES COMPILE_OPTIONS -O3)
