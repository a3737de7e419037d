# End-to-end checks of the game under Xvfb with openbox: name, script, time limit in seconds.
foreach(check window:window_e2e.sh:120 game:game_e2e.sh:180 full_screen:full_screen_e2e.sh:120
              sound:sound_e2e.sh:120 replay:replay_e2e.sh:240)
  string(REPLACE ":" ";" fields ${check})
  list(GET fields 0 name)
  list(GET fields 1 script)
  list(GET fields 2 limit)
  add_test(NAME e2e_${name}
           COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/${script} $<TARGET_FILE:brellow-didovez> ${ORU_GAME_DIR})
  set_tests_properties(e2e_${name} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT ${limit} RUN_SERIAL TRUE)
endforeach()
