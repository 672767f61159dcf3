trayagent_fuzz_target(NAME fuzz_text260 SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_text260.cpp LIBS ta_base)
