vq_test(vq_display_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/palette_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/image_formation_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/grid_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/modes_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/picture_stages_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/concurrency_test.cpp
  DEPS vq_display)
