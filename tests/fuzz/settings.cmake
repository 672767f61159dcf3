trayagent_fuzz_target(NAME fuzz_langsection SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_langsection.cpp LIBS ta_settings)
