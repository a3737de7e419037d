# The game suites run the game against the generated data files.
add_dependencies(game_tests assetgen_data)
