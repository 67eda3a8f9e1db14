# Compiler and linker settings shared by every target, per build kind.
set(DRX_JNI_INCLUDE_DIR "" CACHE PATH "Directory holding the JDK's jni.h")
if(NOT DRX_JNI_INCLUDE_DIR)
  file(GLOB _drx_jni_candidates /usr/lib/jvm/java-17-openjdk-*/include/jni.h /usr/lib/jvm/*/include/jni.h)
  list(GET _drx_jni_candidates 0 _drx_jni_h)
  get_filename_component(_drx_jni_dir "${_drx_jni_h}" DIRECTORY)
  set(DRX_JNI_INCLUDE_DIR "${_drx_jni_dir}" CACHE PATH "Directory holding the JDK's jni.h" FORCE)
endif()

add_compile_options(-Wall -Wextra)

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(DRX_WIDTH 64)
    set(DRX_SUFFIX 64)
  else()
    set(DRX_WIDTH 32)
    set(DRX_SUFFIX "")
  endif()
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  # Shipped binaries travel inside every download: small and stripped.
  add_compile_options(-Os -ffunction-sections -fdata-sections)
  add_link_options(-static -Wl,--gc-sections -s)
  # Windows tests run under wine through this wrapper (prefix per build directory).
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_SOURCE_DIR}/scripts/wine-run.sh")
  set(DRX_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
else()
  if(DRX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# Code that ships in the launcher: no exceptions, no RTTI.
function(drx_shipping_code target)
  target_compile_options(${target} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
  # No -fdata-sections in what ships: mingw's GCC gives each zero-initialised variable a .data$
  # section of its own there, so a zeroed buffer takes its full size in the file instead of
  # none in .bss.
  if(WIN32)
    target_compile_options(${target} PRIVATE -fno-data-sections)
  endif()
  # 32-bit frames are described by DWARF tables that only the C++ unwinder reads, and nothing
  # here unwinds. 64-bit Windows walks every stack through its own unwind data: that stays.
  if(WIN32 AND DRX_WIDTH EQUAL 32)
    target_compile_options(${target} PRIVATE -fno-asynchronous-unwind-tables)
  endif()
endfunction()
