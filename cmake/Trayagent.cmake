# Build helpers shared by every folder.

# Warnings for product code: strict, and errors, so that nothing slips in unnoticed.
# -Wconversion is left out: the Win32 API mixes DWORD, int and size_t everywhere and the
# casts it would demand hide more than they show.
function(trayagent_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /WX)
  else()
    target_compile_options(${target} PRIVATE
      -Wall -Wextra -Wpedantic -Werror
      -Wshadow -Wformat=2 -Wcast-qual -Wundef -Wnon-virtual-dtor
      -Wmissing-declarations -Wnull-dereference -Wduplicated-cond -Wlogical-op)
    if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
      # gcc-only names above are unknown to clang.
      target_compile_options(${target} PRIVATE -Wno-unknown-warning-option)
    endif()
  endif()
endfunction()

# A static library of one subsystem: PORTABLE sources everywhere, WINDOWS sources only
# when building for Windows.
function(trayagent_library name)
  cmake_parse_arguments(ARG "" "" "PORTABLE;WINDOWS;DEPS;WINLIBS" ${ARGN})
  set(srcs ${ARG_PORTABLE})
  if(WIN32)
    list(APPEND srcs ${ARG_WINDOWS})
  endif()
  if(NOT srcs)
    return()  # a Windows-only library in a native build
  endif()
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  if(WIN32)
    target_link_libraries(${name} PUBLIC ${ARG_WINLIBS})
    # 8-bit API throughout; keep <windows.h> lean and free of min/max macros.
    target_compile_definitions(${name} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501)
  endif()
  trayagent_warnings(${name})
endfunction()

# A build tree keeps the compiler it was first configured with, even when the preset now
# asks for another thread model: say so instead of building with the wrong runtime.
if(MINGW AND DEFINED TRAYAGENT_MINGW_THREADS AND NOT CMAKE_CXX_COMPILER MATCHES "-${TRAYAGENT_MINGW_THREADS}$")
  message(FATAL_ERROR "${CMAKE_BINARY_DIR} was made with ${CMAKE_CXX_COMPILER}, not the "
    "${TRAYAGENT_MINGW_THREADS} thread model: configure it again with --fresh")
endif()
