# Windows-side tests run under Wine: one Xvfb and one wineserver per test run, started by
# a setup fixture and stopped by a cleanup fixture; tests share the build tree's prefix
# and so hold the "wineprefix" lock (never in parallel with each other).
set(TRAYAGENT_WINE_SESSION ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh)
set(TRAYAGENT_WINE_RUN ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh)

if(NOT TARGET_WINE_FIXTURES_DEFINED)
  add_test(NAME wine_session_start COMMAND ${TRAYAGENT_WINE_SESSION} start ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_session_start PROPERTIES FIXTURES_SETUP wine RESOURCE_LOCK wineprefix)
  add_test(NAME wine_session_stop COMMAND ${TRAYAGENT_WINE_SESSION} stop ${CMAKE_BINARY_DIR})
  set_tests_properties(wine_session_stop PROPERTIES FIXTURES_CLEANUP wine RESOURCE_LOCK wineprefix)
  set(TARGET_WINE_FIXTURES_DEFINED ON)
endif()

# A GoogleTest executable run under Wine as one CTest test.
#   trayagent_wine_test(NAME name SOURCES ... [LIBS ...] [ARGS ...] [DEPENDS targets...])
# Programs the test starts (DEPENDS) lie in the same folder; tests find them next to
# their own executable, as they would on Windows.
function(trayagent_wine_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS;ARGS;DEPENDS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} ta_winsupport GTest::gtest_main GTest::gmock)
  target_include_directories(${ARG_NAME} PRIVATE ${CMAKE_SOURCE_DIR})
  if(ARG_DEPENDS)
    add_dependencies(${ARG_NAME} ${ARG_DEPENDS})
  endif()
  add_test(NAME ${ARG_NAME}
    COMMAND ${TRAYAGENT_WINE_RUN} ${CMAKE_BINARY_DIR} $<TARGET_FILE:${ARG_NAME}> ${ARG_ARGS})
  set_tests_properties(${ARG_NAME} PROPERTIES FIXTURES_REQUIRED wine RESOURCE_LOCK wineprefix TIMEOUT 600)
endfunction()

# A helper program that Windows-side tests start (no test of its own).
function(trayagent_wine_tool name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
endfunction()
