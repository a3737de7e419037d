# The loader sweep drives the same loader drivers as the fuzz targets; the tool check runs the
# `oru` executable of the same build on damaged files.
target_link_libraries(fuzz_tests PRIVATE oru_fuzz_drivers)
add_dependencies(fuzz_tests oru)
target_compile_definitions(fuzz_tests PRIVATE ORU_TOOL="$<TARGET_FILE:oru>")
