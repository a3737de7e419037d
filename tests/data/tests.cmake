# The `oru` pack and bmp commands, end to end.
add_test(NAME oru_pack_commands
         COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/data/oru_pack_commands.sh $<TARGET_FILE:oru>)
set_tests_properties(oru_pack_commands PROPERTIES TIMEOUT 120
                     ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
