# GoogleTest built from the sources Debian's googletest package installs, once per preset.
set(DRX_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(${DRX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/_googletest EXCLUDE_FROM_ALL SYSTEM)
if(WIN32)
  # Debug info and -Os are useless for the test framework; keep its objects small.
  target_compile_options(gtest PRIVATE -O1)
  target_compile_options(gtest_main PRIVATE -O1)
endif()

# Registers a test executable with ctest. Windows executables run through the wine
# wrapper (CMAKE_CROSSCOMPILING_EMULATOR); the prefix lives in the build directory.
function(drx_add_test name)
  add_test(NAME ${name} COMMAND ${name})
  # A hung test fails within minutes instead of holding the whole run for ctest's 25.
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(WIN32)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "WINEPREFIX=${DRX_WINEPREFIX}")
  endif()
endfunction()

# Registers a GUI test that runs inside a wine virtual desktop, where closing a window costs
# milliseconds instead of seconds. The target links drx_desktop_test_main instead of gtest_main.
function(drx_add_desktop_test name)
  drx_add_test(${name})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT "DRX_WINE_DESKTOP=1")
endfunction()

# Launchers, and the runtime search they run, keep their state under the lanqo keys of the
# current user and the machine: the start-up markers, the version cache, the located runtimes.
# The wine prefix is one machine for every test, so two tests that start launchers or reset
# those keys must not run at the same time, or one sees the other's markers and cache.
function(drx_test_uses_lanqo_registry name)
  set_tests_properties(${name} PROPERTIES RESOURCE_LOCK lanqo_registry)
endfunction()
