# libFuzzer targets (host preset with clang): one function so every target gets the same flags
# and a short bounded smoke run in each test pass; longer runs by hand with -max_total_time.
#
#   drx_add_fuzz_target(NAME SOURCES a.cpp ... LIBRARIES lib ... RUNS n MAX_LEN n)
function(drx_add_fuzz_target name)
  cmake_parse_arguments(FUZZ "" "RUNS;MAX_LEN" "SOURCES;LIBRARIES" ${ARGN})
  if(NOT DRX_FUZZ OR WIN32 OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  if(NOT FUZZ_SOURCES)
    set(FUZZ_SOURCES ${name}.cpp)
  endif()
  add_executable(${name} ${FUZZ_SOURCES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${FUZZ_LIBRARIES})
  add_test(NAME ${name}_smoke COMMAND ${name} -runs=${FUZZ_RUNS} -max_len=${FUZZ_MAX_LEN} -seed=1)
endfunction()
