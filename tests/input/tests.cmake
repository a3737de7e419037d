# `oru input` under Xvfb with openbox: real key events through the window reach the pad.
add_test(NAME e2e_oru_input COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/oru_input_e2e.sh $<TARGET_FILE:oru>)
set_tests_properties(e2e_oru_input PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL TRUE)
