# libFuzzer targets (host preset with clang): one function so every target gets the same flags
# and a short bounded smoke run in each test pass; longer runs with scripts/fuzz.sh.
#
#   drx_add_fuzz_target(NAME SOURCES a.cpp ... LIBRARIES lib ... RUNS n MAX_LEN n)
#
# Seeds come from tests/fuzz_corpus/<NAME>/ when it exists. The smoke run reads them and writes
# what it finds into a scratch folder of the build tree, never into the checked-in corpus.

# The parsers live in the libraries, not in the target's own file: without coverage counters in
# them libFuzzer mutates blind. Static libraries of this project reachable from `target` get the
# counters (every program linking them has the sanitizer runtime, which defines the callbacks).
function(_drx_fuzz_instrument target)
  if(NOT TARGET ${target})
    return()
  endif()
  get_target_property(_imported ${target} IMPORTED)
  get_target_property(_type ${target} TYPE)
  get_property(_done GLOBAL PROPERTY DRX_FUZZ_INSTRUMENTED)
  if(_imported OR NOT _type STREQUAL "STATIC_LIBRARY" OR ${target} IN_LIST _done)
    return()
  endif()
  set_property(GLOBAL APPEND PROPERTY DRX_FUZZ_INSTRUMENTED ${target})
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  get_target_property(_deps ${target} LINK_LIBRARIES)
  if(_deps)
    foreach(_dep ${_deps})
      _drx_fuzz_instrument(${_dep})
    endforeach()
  endif()
endfunction()

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
  if(DRX_SANITIZE)
    foreach(_library ${FUZZ_LIBRARIES})
      _drx_fuzz_instrument(${_library})
    endforeach()
  endif()
  set(_seeds ${CMAKE_SOURCE_DIR}/tests/fuzz_corpus/${name})
  if(EXISTS ${_seeds})
    # A fresh scratch folder first (libFuzzer writes new inputs into its first folder), seeds second.
    set(_scratch ${CMAKE_BINARY_DIR}/fuzz/smoke/${name})
    add_test(NAME ${name}_smoke
             COMMAND sh -c "rm -rf \"$1\" && mkdir -p \"$1\" && exec \"$0\" \"$@\""
                     $<TARGET_FILE:${name}> ${_scratch} ${_seeds}
                     -runs=${FUZZ_RUNS} -max_len=${FUZZ_MAX_LEN} -max_total_time=20 -seed=1)
  else()
    add_test(NAME ${name}_smoke COMMAND ${name} -runs=${FUZZ_RUNS} -max_len=${FUZZ_MAX_LEN} -seed=1)
  endif()
  # scripts/fuzz.sh reads the targets and their input limits from here.
  file(APPEND ${CMAKE_BINARY_DIR}/fuzz/targets.txt "${name} ${FUZZ_MAX_LEN} ${CMAKE_CURRENT_BINARY_DIR}/${name}\n")
endfunction()

file(WRITE ${CMAKE_BINARY_DIR}/fuzz/targets.txt "")
