# Warnings, sanitizers and the helpers every subsystem uses to declare its targets.
add_library(vq_options INTERFACE)
target_compile_options(vq_options INTERFACE -Wall -Wextra -Wpedantic
                       -Wno-missing-field-initializers)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(vq_options INTERFACE -Wshadow=local)
endif()
if(VQ_WERROR)
  target_compile_options(vq_options INTERFACE -Werror)
endif()
# GCC's "maybe uninitialized" analysis misfires on sanitizer-instrumented code (inside
# std::regex and std::function, and on member pointers held in Qt's slot objects); the plain
# build keeps the warning.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND NOT VQ_SANITIZE STREQUAL "")
  target_compile_options(vq_options INTERFACE -Wno-maybe-uninitialized)
endif()

if(VQ_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VQ_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  # Every library gets the fuzzer's coverage and both sanitizers; only the fuzz targets link
  # libFuzzer itself.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(VQ_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(VQ_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(NOT VQ_SANITIZE STREQUAL "")
  message(FATAL_ERROR "VQ_SANITIZE must be empty, 'address' or 'thread'")
endif()

# vq_library(<name> SOURCES ... DEPS ...): a static library of one subsystem.
function(vq_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC vq_options ${A_DEPS})
endfunction()

# vq_test(<name> SOURCES ... DEPS ...): one GoogleTest executable registered with CTest.
function(vq_test name)
  cmake_parse_arguments(A "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE vq_options vq_testsupport ${A_DEPS} GTest::gtest_main
                        GTest::gmock Threads::Threads)
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT ${A_TIMEOUT} LABELS "${A_LABELS}")
endfunction()

# vq_bench(<name> SOURCES ... DEPS ...): one Google Benchmark program.
function(vq_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${name} PRIVATE vq_options ${A_DEPS} benchmark::benchmark Threads::Threads)
endfunction()
