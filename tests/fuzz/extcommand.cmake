trayagent_fuzz_target(NAME fuzz_extcommand SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_extcommand.cpp LIBS ta_utycall ta_frame)
