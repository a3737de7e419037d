# The generated-data tests call the asset generator's code and read the packs it leaves in the
# game folder, so they link the generator and build after it has run.
if(TARGET tools_tests AND TARGET assetgen_core)
  target_link_libraries(tools_tests PRIVATE assetgen_core)
  add_dependencies(tools_tests assetgen_data)
endif()
