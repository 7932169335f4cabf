# The Qt 6 Widgets user interface and the program's entry point (the only code that includes Qt).
if(VQ_BUILD_GUI)
  find_package(Qt6 COMPONENTS Widgets)
  if(NOT Qt6_FOUND)
    message(WARNING "Qt 6 Widgets not found: the program window is not built")
  else()
    set(CMAKE_AUTOMOC ON)
    add_library(vq_gui STATIC
      ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
      ${CMAKE_CURRENT_LIST_DIR}/main_window.h
      ${CMAKE_CURRENT_LIST_DIR}/playback_window.cpp
      ${CMAKE_CURRENT_LIST_DIR}/playback_window.h
      ${CMAKE_CURRENT_LIST_DIR}/sonar_view.cpp
      ${CMAKE_CURRENT_LIST_DIR}/sonar_view.h
      ${CMAKE_CURRENT_LIST_DIR}/qt_operator.cpp
      ${CMAKE_CURRENT_LIST_DIR}/qt_operator.h)
    target_include_directories(vq_gui PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(vq_gui PUBLIC vq_options vq_app Qt6::Widgets)
    target_compile_definitions(vq_gui PRIVATE VQ_VERSION_TEXT="${PROJECT_VERSION}")
    add_executable(vornax_qi ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
    target_link_libraries(vornax_qi PRIVATE vq_gui)
    set(CMAKE_AUTOMOC OFF)
  endif()
endif()
