# Helpers shared by every folder's CMakeLists.txt.

# oru_library(NAME DIR DEPS...): a static library of every .cpp in DIR (an interface library
# while the folder has no sources yet), linked publicly against DEPS.
function(oru_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# oru_test_suite(NAME DIR DEPS...): one GoogleTest executable of every .cpp in DIR, registered
# with CTest. Tests run with SDL's dummy drivers so they need no display and no sound card.
function(oru_test_suite name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE ORU_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                            ORU_GAME_DIR="${ORU_GAME_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy" TIMEOUT 300)
endfunction()
