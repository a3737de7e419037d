# The generated-data tests call the asset generator's code and read the packs it leaves in the
# game folder, so they link the generator and build after it has run.
target_link_libraries(tools_tests PRIVATE assetgen_core)
add_dependencies(tools_tests assetgen_data)

# The `oru` tool reads the generated files as they ship, from their packs in the game folder.
add_test(NAME GeneratedData.OruWavInfoReadsEverySound
         COMMAND ${CMAKE_COMMAND} -E chdir ${ORU_GAME_DIR} sh -c
                 "$<TARGET_FILE:oru> wav info SUCKER1.WAV && $<TARGET_FILE:oru> wav info BLEEP04.WAV && $<TARGET_FILE:oru> wav info WHISTLE2.WAV && $<TARGET_FILE:oru> wav info CRASH.WAV")
set_tests_properties(GeneratedData.OruWavInfoReadsEverySound PROPERTIES
  PASS_REGULAR_EXPRESSION "channels 1 rate 22050 bits 16.*channels 1 rate 22050 bits 8.*channels 1 rate 22050 bits 16.*channels 2 rate 22050 bits 16"
  ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy" TIMEOUT 60)
add_test(NAME GeneratedData.OruMidiDumpReadsTheSong
         COMMAND ${CMAKE_COMMAND} -E chdir ${ORU_GAME_DIR} $<TARGET_FILE:oru> midi dump brello_s.mid)
set_tests_properties(GeneratedData.OruMidiDumpReadsTheSong PROPERTIES
  PASS_REGULAR_EXPRESSION "division 480\ntitle Brello Song\n0 sysex F0 7E 7F 09 01 F7\n"
  ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy" TIMEOUT 60)
