# The release made from this build by tools/release (zip, shipped installer and
# the 64-bit test flavour of the installer), checked from outside; the
# installer test then runs the test flavour under Wine.
if(SHIPPED_SCR)
  get_filename_component(RELEASE_WIN32_TREE ${SHIPPED_SCR} DIRECTORY)
  get_filename_component(RELEASE_BUILD_ROOT ${RELEASE_WIN32_TREE} DIRECTORY)
  add_test(NAME acceptance_release
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tests/acceptance/check_release.py
                   ${CMAKE_SOURCE_DIR} ${RELEASE_BUILD_ROOT} ${CMAKE_BINARY_DIR}/release-check)
  set_tests_properties(acceptance_release PROPERTIES TIMEOUT 120 FIXTURES_SETUP release_packages)
  set_tests_properties(acceptance_test_installer PROPERTIES FIXTURES_REQUIRED release_packages)
endif()
