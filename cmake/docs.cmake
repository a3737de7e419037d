# The API reference: `cmake --build <build> --target docs` runs Doxygen over the headers that
# `cmake --install` puts in include/oru/ (every header under oru/ but the *_internal.h ones, and
# the generated version.h). A public class, function or member without its comment fails the
# target. Without Doxygen on the machine the target does not exist and nothing else changes.
find_package(Doxygen QUIET)
if(NOT DOXYGEN_FOUND)
  return()
endif()

set(ORU_DOCS_OUTPUT ${PROJECT_BINARY_DIR}/docs)
# Quoted lists for Doxygen: the source's headers, the generated version header, the front page.
set(ORU_DOCS_INPUT "\"${PROJECT_SOURCE_DIR}/oru\"")
string(APPEND ORU_DOCS_INPUT " \"${PROJECT_BINARY_DIR}/include/oru/version.h\"")
string(APPEND ORU_DOCS_INPUT " \"${PROJECT_SOURCE_DIR}/docs/reference.md\"")
set(ORU_DOCS_MAINPAGE "${PROJECT_SOURCE_DIR}/docs/reference.md")
# Paths in the pages start at oru/, wherever the source and build folders are.
set(ORU_DOCS_STRIP "\"${PROJECT_SOURCE_DIR}\" \"${PROJECT_BINARY_DIR}/include\"")
string(APPEND ORU_DOCS_STRIP " \"${PROJECT_SOURCE_DIR}/docs\"")
set(ORU_DOCS_WARN_AS_ERROR FAIL_ON_WARNINGS)
configure_file(${PROJECT_SOURCE_DIR}/docs/Doxyfile.in ${ORU_DOCS_OUTPUT}/Doxyfile @ONLY)

file(GLOB_RECURSE oru_docs_headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/oru/*.h)
# The stamp stands for the whole html/ folder; the old pages go first, so a removed header
# leaves no page behind. Doxygen prints every warning and then fails.
add_custom_command(
  OUTPUT ${ORU_DOCS_OUTPUT}/html.stamp
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${ORU_DOCS_OUTPUT}/html
  COMMAND ${DOXYGEN_EXECUTABLE} ${ORU_DOCS_OUTPUT}/Doxyfile
  COMMAND ${CMAKE_COMMAND} -E touch ${ORU_DOCS_OUTPUT}/html.stamp
  DEPENDS ${oru_docs_headers} ${PROJECT_BINARY_DIR}/include/oru/version.h
          ${PROJECT_SOURCE_DIR}/docs/reference.md ${ORU_DOCS_OUTPUT}/Doxyfile
  COMMENT "Doxygen: the API reference in ${ORU_DOCS_OUTPUT}/html"
  VERBATIM)
add_custom_target(docs DEPENDS ${ORU_DOCS_OUTPUT}/html.stamp)

# Installed with the development files when it has been built (the Debian build makes it first).
install(DIRECTORY ${ORU_DOCS_OUTPUT}/html/ DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/liboru-dev/html
        COMPONENT dev OPTIONAL)
install(FILES ${PROJECT_SOURCE_DIR}/dist/liboru-dev.lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME liboru-dev COMPONENT dev)
