# `oru view` run headless: the test pattern written as a picture file, and its usage errors.
if(TARGET oru)
  add_test(NAME oru_view_test_pattern
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/oru_view_test.sh $<TARGET_FILE:oru>)
  set_tests_properties(oru_view_test_pattern PROPERTIES TIMEOUT 60
                       ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
endif()
