trayagent_fuzz_target(NAME fuzz_cmdline SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_cmdline.cpp LIBS ta_app)
