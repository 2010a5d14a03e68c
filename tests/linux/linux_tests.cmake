# The Linux program's tests: Qt widgets offscreen, and the scripted end-to-end and tray tests.
include(GoogleTest)

# The front-end contract's cases, run by the Qt tests and by the loop of the program without a
# window (which skips the desktop's cases).
set(contract_sources ${CMAKE_SOURCE_DIR}/tests/contract/loop_contract_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/contract/desktop_contract_test.cpp
  ${CMAKE_SOURCE_DIR}/tests/linux/process_host.cpp)

set(qt_test_sources qt/contract_host.cpp qt/controls_test.cpp qt/layout_test.cpp qt/qt_test_main.cpp
  qt/services_test.cpp qt/window_test.cpp)
list(TRANSFORM qt_test_sources PREPEND ${CMAKE_SOURCE_DIR}/tests/linux/)
add_executable(verdalin_qt_tests ${qt_test_sources} ${contract_sources})
target_link_libraries(verdalin_qt_tests PRIVATE verdalin_host verdalin_qt verdalin_services
  Qt6::Test GTest::gtest GTest::gmock)
target_compile_definitions(verdalin_qt_tests PRIVATE VERDALIN_BINARY_DIR="${CMAKE_BINARY_DIR}")
gtest_discover_tests(verdalin_qt_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen")

add_executable(verdalin_headless_contract_tests ${CMAKE_SOURCE_DIR}/linux/no_desktop.cpp
  ${CMAKE_SOURCE_DIR}/tests/linux/headless_contract_host.cpp ${contract_sources})
target_link_libraries(verdalin_headless_contract_tests PRIVATE verdalin_host verdalin_services
  verdalin_net
  GTest::gtest GTest::gtest_main)
gtest_discover_tests(verdalin_headless_contract_tests TEST_PREFIX "headless." DISCOVERY_MODE PRE_TEST
  DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 120)
foreach(tests verdalin_qt_tests verdalin_headless_contract_tests)
  target_include_directories(${tests} PRIVATE ${CMAKE_SOURCE_DIR}/tests
    ${CMAKE_SOURCE_DIR}/tests/linux)
endforeach()

# Helpers of the scripted tests: the stored form of a password, and the notification-area host.
add_executable(verdalin_store_password ${CMAKE_SOURCE_DIR}/tests/linux/tools/store_password.cpp)
target_link_libraries(verdalin_store_password PRIVATE verdalin_core)
find_package(X11 REQUIRED)
add_executable(tray_host ${CMAKE_SOURCE_DIR}/tests/linux/tray_host.c)
target_link_libraries(tray_host PRIVATE X11::X11)
target_compile_options(tray_host PRIVATE -Wall -Wextra -Werror)

# The program itself, end to end (tools/with-fake-gateway.sh gives the gateway's port).
if(TARGET verdalin)
  add_test(NAME program_end_to_end_startup
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/linux/e2e_startup_test.py ${CMAKE_BINARY_DIR})
  add_test(NAME program_tray_under_xvfb
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/linux/tray_test.py ${CMAKE_BINARY_DIR}
            $<TARGET_FILE:tray_host>)
  set_tests_properties(program_end_to_end_startup program_tray_under_xvfb PROPERTIES TIMEOUT 180)
  # Without a display, as a server runs it: its endpoint, hostile clients, a real Prometheus.
  add_test(NAME program_headless_server
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/linux/headless_test.py ${CMAKE_BINARY_DIR})
  add_test(NAME program_headless_prometheus
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/linux/prometheus_test.py ${CMAKE_BINARY_DIR})
  add_test(NAME program_setup
    COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/linux/setup_test.py ${CMAKE_BINARY_DIR})
  set_tests_properties(program_headless_server program_headless_prometheus program_setup
    PROPERTIES TIMEOUT 120)
endif()

# The fake devices (TR-064, telnet and SSH consoles, ubus) that the device kinds' tests talk to.
add_test(NAME fake_devices
  COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/linux/fake_devices_test.py)
set_tests_properties(fake_devices PROPERTIES TIMEOUT 120)
