# Adds every direct subfolder of the current source folder that has a CMakeLists.txt,
# so each area owns its own folder and no shared list needs editing.
function(drx_add_all_subdirectories)
  file(GLOB _children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
  list(SORT _children)
  foreach(_dir ${_children})
    if(IS_DIRECTORY ${_dir} AND EXISTS ${_dir}/CMakeLists.txt)
      add_subdirectory(${_dir})
    endif()
  endforeach()
endfunction()
