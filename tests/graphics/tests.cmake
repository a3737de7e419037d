# `oru view` run headless: the test pattern written as a picture file, and its usage errors.
add_test(NAME oru_view_test_pattern
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/oru_view_test.sh $<TARGET_FILE:oru>)
set_tests_properties(oru_view_test_pattern PROPERTIES TIMEOUT 60
                     ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")

# `oru bmp resave` of every BMP kind compared with Pillow's reading of the same file; skipped where
# Debian's python3-pil is missing (scripts/setup.sh installs it).
find_program(ORU_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(TARGET oru AND ORU_SYSTEM_PYTHON)
  add_test(NAME oru_bmp_pillow
           COMMAND ${ORU_SYSTEM_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/bmp_pillow_check.py $<TARGET_FILE:oru>)
  set_tests_properties(oru_bmp_pillow PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77
                       ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
endif()
