# Helpers shared by every folder's CMakeLists.txt.

# oru_library(NAME DIR DEPS...): a static library of every .cpp in DIR, linked publicly against
# DEPS. Installed and exported as
# Oru::<NAME without "oru_">. Every library but the platform's is kept from the system headers
# (oru_guard_platform_boundary).
function(oru_library name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  set(includes $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/include>
               $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${includes})
  target_link_libraries(${name} PUBLIC ${ARGN})
  if(NOT name STREQUAL "oru_platform")
    oru_guard_platform_boundary(${name})
  endif()
  string(REGEX REPLACE "^oru_" "" short ${name})
  set_target_properties(${name} PROPERTIES EXPORT_NAME ${short})
  add_library(Oru::${short} ALIAS ${name})
  set_property(GLOBAL APPEND PROPERTY ORU_LIBRARIES ${name})
endfunction()

# Only oru/platform includes SDL, FluidSynth, FreeType, fontconfig and Win32 headers. Their libraries are
# linked privately, so their include folders do not reach the code above; since some of their
# headers sit straight in /usr/include, that code also compiles against a folder of stand-ins for
# those headers, each an #error, found before the real ones.
set(ORU_BOUNDARY_DIR ${PROJECT_BINARY_DIR}/platform-only-headers)
function(oru_write_boundary_headers)
  set(names ft2build.h freetype/freetype.h fluidsynth.h fontconfig/fontconfig.h samplerate.h
            windows.h mmsystem.h dsound.h ddraw.h)
  foreach(dir ${SDL2_INCLUDE_DIRS})
    file(GLOB sdl_headers RELATIVE ${dir} ${dir}/SDL*.h)
    foreach(h ${sdl_headers})
      list(APPEND names SDL2/${h} ${h})
    endforeach()
  endforeach()
  list(REMOVE_DUPLICATES names)
  foreach(h ${names})
    if(NOT EXISTS ${ORU_BOUNDARY_DIR}/${h})
      file(WRITE ${ORU_BOUNDARY_DIR}/${h}
           "#error \"<${h}> belongs to oru/platform; code above it includes the platform's own headers\"\n")
    endif()
  endforeach()
endfunction()

function(oru_guard_platform_boundary target)
  target_include_directories(${target} BEFORE PRIVATE ${ORU_BOUNDARY_DIR})
endfunction()

# oru_test_suite(NAME DIR DEPS...): one GoogleTest executable of every .cpp in DIR, registered
# with CTest. Tests run with SDL's dummy drivers so they need no display and no sound card.
# Files named *_sdl_test.cpp drive the SDL back end from behind (SDL events) and are left out of
# other back ends' suites.
function(oru_test_suite name dir)
  file(GLOB sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  if(NOT ORU_PLATFORM STREQUAL "sdl")
    list(FILTER sources EXCLUDE REGEX "_sdl_test\\.cpp$")
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE ORU_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                            ORU_GAME_DIR="${ORU_GAME_DIR}")
  if(CMAKE_CROSSCOMPILING)
    # One CTest entry a suite, run through the emulator (Wine): listing every case would start
    # the emulator once a case.
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 900)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
      PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy" TIMEOUT 300)
  endif()
endfunction()
