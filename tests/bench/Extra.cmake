# The scene benchmark: a program run by tools/bench, not a test (its figures
# depend on the machine). It draws with the saver's own pictures.
add_executable(scene_bench ${CMAKE_SOURCE_DIR}/bench/SceneBench.cpp $<TARGET_OBJECTS:mochipote_resources>)
target_include_directories(scene_bench PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(scene_bench PRIVATE mochipote_core ${STATIC_LINK})
add_dependencies(scene_bench saver tune)
