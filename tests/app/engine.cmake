# The engine end to end: live recording, playback and conversions (menu and command line).
vq_test(engine_recording_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/engine_recording_test.cpp
  DEPS vq_app vq_sim
  TIMEOUT 600)
vq_test(cli_conversion_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_conversion_test.cpp
  DEPS vq_app
  TIMEOUT 600)
# The conversion runs the real program as a child process when it is built.
if(TARGET vornax_qi)
  target_compile_definitions(cli_conversion_test PRIVATE VQ_PROGRAM="$<TARGET_FILE:vornax_qi>")
  add_dependencies(cli_conversion_test vornax_qi)
endif()
