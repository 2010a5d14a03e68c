# The packages' tests, run once `make dist` has written them (skipped before): the Debian package
# unpacked and its program run natively, the Windows packages installed and run under Wine.
if(WIN32)
  add_executable(verdalin_dist_driver ${CMAKE_CURRENT_LIST_DIR}/windows_packages_test.cpp)
  target_link_libraries(verdalin_dist_driver PRIVATE verdalin_driver_support GTest::gtest_main)
  set(test packages_install_and_run)
  add_test(NAME ${test}
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/windows_packages.sh ${CMAKE_BINARY_DIR}
            ${VERDALIN_DIST_DIR} ${PROJECT_VERSION} $<TARGET_FILE:verdalin_dist_driver>)
else()
  set(test packages_debian)
  add_test(NAME ${test}
    COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/deb_test.py ${CMAKE_BINARY_DIR}
            ${VERDALIN_DIST_DIR}/${VERDALIN_DEB_FILE} ${PROJECT_VERSION})
endif()
# Alone: the installed program shares the prefix's Startup folder with the driver's tests.
set_tests_properties(${test} PROPERTIES SKIP_RETURN_CODE 77 RUN_SERIAL TRUE TIMEOUT 300)
