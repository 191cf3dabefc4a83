# The version test reads the version resource through the version library.
target_link_libraries(resources_test_strings_version PRIVATE version)
