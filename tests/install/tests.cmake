# The game's command line, the platform boundary of the build, and the installed tree.
add_test(NAME cli_game_options
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/cli_test.sh $<TARGET_FILE:brellow-didovez> $<TARGET_FILE:oru>)
set_tests_properties(cli_game_options PROPERTIES TIMEOUT 300)

# Internal headers are left out of the install: no public one may include them.
add_test(NAME public_headers_include_no_internal
         COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR}/oru
                 -P ${CMAKE_CURRENT_LIST_DIR}/public_headers.cmake)

# Code above oru/platform that includes a system library's header fails to compile: each probe
# includes one, in the setting of oru_graphics, and the test passes when the build stops on the
# boundary's message.
file(GLOB boundary_probes CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/boundary/*.cpp)
foreach(probe ${boundary_probes})
  get_filename_component(what ${probe} NAME_WE)
  add_library(boundary_probe_${what} OBJECT EXCLUDE_FROM_ALL ${probe})
  target_link_libraries(boundary_probe_${what} PRIVATE oru_graphics)
  oru_guard_platform_boundary(boundary_probe_${what})
  add_test(NAME build_boundary_${what}
           COMMAND ${CMAKE_COMMAND} --build ${CMAKE_BINARY_DIR} --target boundary_probe_${what})
  set_tests_properties(build_boundary_${what} PROPERTIES
    PASS_REGULAR_EXPRESSION "belongs to oru/platform" TIMEOUT 120)
endforeach()

# The game started from another folder (here finding its data through ORU_DATA_DIR; CI also runs
# the installed game, which finds it from its own place), and its window scale.
add_test(NAME e2e_start_anywhere
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/start_anywhere_e2e.sh $<TARGET_FILE:brellow-didovez>)
set_tests_properties(e2e_start_anywhere PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 RUN_SERIAL TRUE
                     ENVIRONMENT "ORU_DATA_DIR=${ORU_GAME_DIR}")
