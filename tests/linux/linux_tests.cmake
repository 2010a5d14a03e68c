# The Linux program's tests: Qt widgets offscreen, and the scripted end-to-end and tray tests.
include(GoogleTest)

file(GLOB qt_test_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/linux/qt/*.cpp)
add_executable(verdalin_qt_tests ${qt_test_sources})
target_include_directories(verdalin_qt_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(verdalin_qt_tests PRIVATE verdalin_qt verdalin_services Qt6::Test
  GTest::gtest GTest::gmock)
target_compile_definitions(verdalin_qt_tests PRIVATE VERDALIN_BINARY_DIR="${CMAKE_BINARY_DIR}")
gtest_discover_tests(verdalin_qt_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
