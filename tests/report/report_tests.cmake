# The history report end to end: a helper that writes a report through the core's command, and
# headless Chromium opening a year's report from file:// (playwright-core from node_modules).
add_executable(make_report ${CMAKE_SOURCE_DIR}/tests/report/make_report.cpp)
target_link_libraries(make_report PRIVATE verdalin_services)
target_compile_options(make_report PRIVATE ${VERDALIN_WARNINGS})

add_test(NAME report_in_browser
  COMMAND node ${CMAKE_SOURCE_DIR}/tests/report/browser_test.mjs $<TARGET_FILE:make_report>
          ${CMAKE_BINARY_DIR})
set_tests_properties(report_in_browser PROPERTIES TIMEOUT 300)
