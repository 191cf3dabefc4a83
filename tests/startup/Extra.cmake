# A program that runs a saver mode in-process and can make it fault, to show
# what the exception guard does (no command line of the saver can fault).
add_executable(guard_probe ${CMAKE_SOURCE_DIR}/tests/startup/GuardProbe.cpp)
target_link_libraries(guard_probe PRIVATE mochipote_core ${STATIC_LINK})
add_dependencies(startup_test_exception_guard guard_probe)
