# A one-second test tune beside the test programs, under a name of its own so
# that the music tests never lock or touch the shipped tune.
set(MUSIC_TEST_TUNE "${CMAKE_BINARY_DIR}/もちぽて試験曲.mid")
add_custom_command(
  OUTPUT ${MUSIC_TEST_TUNE}
  COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/tools/midigen.py
          ${CMAKE_SOURCE_DIR}/tests/music/test_tune.score ${MUSIC_TEST_TUNE}
  DEPENDS ${CMAKE_SOURCE_DIR}/tests/music/test_tune.score ${CMAKE_SOURCE_DIR}/tools/midigen.py
  COMMENT "Writing the test tune")
add_custom_target(music_test_tune ALL DEPENDS ${MUSIC_TEST_TUNE})
if(TARGET music_test_music_in_saver)
  add_dependencies(music_test_music_in_saver music_test_tune)
endif()
