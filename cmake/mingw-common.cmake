# Thread model of the GCC runtime. "posix" (the default) gives std::thread and std::mutex,
# which GoogleTest needs, but links winpthreads into every C++ program, and winpthreads
# imports functions that Windows XP lacks (GetTickCount64). The shipping builds use
# "win32": the product code starts its threads with the Win32 API and needs neither.
set(TRAYAGENT_MINGW_THREADS posix CACHE STRING "Thread model of the MinGW compilers: posix or win32")
set_property(CACHE TRAYAGENT_MINGW_THREADS PROPERTY STRINGS posix win32)
set(CMAKE_C_COMPILER ${TRAYAGENT_MINGW_PREFIX}-gcc-${TRAYAGENT_MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${TRAYAGENT_MINGW_PREFIX}-g++-${TRAYAGENT_MINGW_THREADS})
set(CMAKE_RC_COMPILER ${TRAYAGENT_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TRAYAGENT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Link the GCC runtime statically so the programs run on a bare Windows and under
# Wine without extra DLLs next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
