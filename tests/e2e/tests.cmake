# End-to-end checks of the game under Xvfb with openbox: name, script, time limit in seconds. The
# limits lie well above the scripts' own waits (tests/e2e/lib.sh), so that a check that gives up
# says what it waited for before CTest stops it; a busy machine may need minutes for one.
foreach(check window:window_e2e.sh:300 game:game_e2e.sh:300 full_screen:full_screen_e2e.sh:300
              sound:sound_e2e.sh:300 replay:replay_e2e.sh:300)
  string(REPLACE ":" ";" fields ${check})
  list(GET fields 0 name)
  list(GET fields 1 script)
  list(GET fields 2 limit)
  add_test(NAME e2e_${name}
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${script} $<TARGET_FILE:brellow-didovez> ${ORU_GAME_DIR})
  set_tests_properties(e2e_${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT ${limit} RUN_SERIAL TRUE)
endforeach()
