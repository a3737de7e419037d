# End-to-end checks of the game under Xvfb with openbox.
add_test(NAME e2e_window
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/window_e2e.sh $<TARGET_FILE:brellow-didovez> ${ORU_GAME_DIR})
set_tests_properties(e2e_window PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
add_test(NAME e2e_game
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/game_e2e.sh $<TARGET_FILE:brellow-didovez> ${ORU_GAME_DIR})
set_tests_properties(e2e_game PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180 RUN_SERIAL TRUE)
add_test(NAME e2e_full_screen
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/full_screen_e2e.sh $<TARGET_FILE:brellow-didovez> ${ORU_GAME_DIR})
set_tests_properties(e2e_full_screen PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
add_test(NAME e2e_sound
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sound_e2e.sh $<TARGET_FILE:brellow-didovez> ${ORU_GAME_DIR})
set_tests_properties(e2e_sound PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 RUN_SERIAL TRUE)
add_test(NAME e2e_replay
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/replay_e2e.sh $<TARGET_FILE:brellow-didovez> ${ORU_GAME_DIR})
set_tests_properties(e2e_replay PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180 RUN_SERIAL TRUE)
