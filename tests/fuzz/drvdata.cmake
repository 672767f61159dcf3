trayagent_fuzz_target(NAME fuzz_setupdata SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_setupdata.cpp LIBS ta_drvdata)
