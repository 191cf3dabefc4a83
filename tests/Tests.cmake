# Every tests/<area>/test_*.cpp is one test program, run under Wine by ctest
# with the build folder as its working directory. A folder may add build rules
# of its own (stand-in DLLs, probes) in a file named Extra.cmake.
# doctest is header-only; give the cross compiler its headers and nothing else
# from the host's include folder.
set(DOCTEST_INCLUDE ${CMAKE_BINARY_DIR}/doctest-include)
file(MAKE_DIRECTORY ${DOCTEST_INCLUDE})
file(CREATE_LINK /usr/include/doctest ${DOCTEST_INCLUDE}/doctest SYMBOLIC)

# The shipped 32-bit saver, copied beside the tests as shipped/もちぽて.scr.
if(SHIPPED_SCR)
  set(SHIPPED_COPY "${CMAKE_BINARY_DIR}/shipped/もちぽて.scr")
  add_custom_command(OUTPUT ${SHIPPED_COPY}
    COMMAND ${CMAKE_COMMAND} -E copy ${SHIPPED_SCR} ${SHIPPED_COPY}
    DEPENDS ${SHIPPED_SCR})
  add_custom_target(shipped_scr ALL DEPENDS ${SHIPPED_COPY})
  # In the 32-bit tree the shipped file is this tree's own saver.
  add_dependencies(shipped_scr saver)
endif()

add_library(test_support STATIC
  tests/support/DoctestMain.cpp
  tests/support/TestSupport.cpp)
target_include_directories(test_support PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests ${DOCTEST_INCLUDE})
target_link_libraries(test_support PUBLIC mochipote_core psapi)

file(GLOB_RECURSE TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/test_*.cpp)
foreach(source ${TEST_SOURCES})
  get_filename_component(stem ${source} NAME_WE)
  get_filename_component(folder ${source} DIRECTORY)
  get_filename_component(area ${folder} NAME)
  set(name ${area}_${stem})
  add_executable(${name} ${source} $<TARGET_OBJECTS:mochipote_resources>)
  target_link_libraries(${name} PRIVATE test_support ${STATIC_LINK})
  add_dependencies(${name} saver tune)
  add_test(NAME ${name} COMMAND ${name} WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 RESOURCE_LOCK desktop)
endforeach()

file(GLOB TEST_EXTRAS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/Extra.cmake)
foreach(extra ${TEST_EXTRAS})
  include(${extra})
endforeach()
