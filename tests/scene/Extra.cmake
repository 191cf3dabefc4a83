# A picture library that lacks some of the saver's pictures (the resting frame
# and every clock piece), loaded by the scene-asset tests in the saver's stead.
add_library(scene_partial_art SHARED ${CMAKE_SOURCE_DIR}/tests/scene/PartialArt.rc)
set_target_properties(scene_partial_art PROPERTIES PREFIX "" LINKER_LANGUAGE CXX)
target_include_directories(scene_partial_art PRIVATE ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(scene_partial_art PRIVATE ${STATIC_LINK})
set_source_files_properties(${CMAKE_SOURCE_DIR}/tests/scene/PartialArt.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/art.stamp)
add_dependencies(scene_partial_art art)
add_dependencies(scene_test_scene_assets scene_partial_art)
