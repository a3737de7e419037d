# The game suites run the game against the generated data files.
if(TARGET game_tests AND TARGET assetgen_data)
  add_dependencies(game_tests assetgen_data)
endif()
