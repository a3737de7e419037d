# The loader sweep drives the same loader drivers as the fuzz targets.
if(TARGET fuzz_tests)
  target_link_libraries(fuzz_tests PRIVATE oru_fuzz_drivers)
endif()
