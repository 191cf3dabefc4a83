# A short run of the command-line fuzzer. It is a native program built with
# clang by tools/fuzz, outside the cross build, and must not run under Wine:
# a script as the command keeps the cross-compiling emulator away from it.
add_test(NAME fuzz_command_line
  COMMAND ${CMAKE_SOURCE_DIR}/tools/fuzz --out ${CMAKE_BINARY_DIR}/fuzz)
set_tests_properties(fuzz_command_line PROPERTIES TIMEOUT 300)
