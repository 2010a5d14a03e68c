# The history report end to end: a helper that writes a report through the core's command, and
# headless Chromium opening a year's report from file:// (playwright-core from node_modules).
add_executable(make_report ${CMAKE_SOURCE_DIR}/tests/report/make_report.cpp)
target_link_libraries(make_report PRIVATE verdalin_services)
target_compile_options(make_report PRIVATE ${VERDALIN_WARNINGS})

add_test(NAME report_in_browser
  COMMAND node ${CMAKE_SOURCE_DIR}/tests/report/browser_test.mjs $<TARGET_FILE:make_report>
          ${CMAKE_BINARY_DIR})
# Chromium and the year log take both cores for a while: alone, it slows no timed GUI test.
set_tests_properties(report_in_browser PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE)
