# tavrion_version: the release and the build's git revision for --version.
# The revision is read again at every build, so a new commit shows without
# configuring again.
set(TAVRION_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/TavrionVersion.h.in
  ${TAVRION_GENERATED_DIR}/TavrionVersion.h @ONLY)
add_custom_target(tavrion_revision
  COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DOUTPUT=${TAVRION_GENERATED_DIR}/BuildRevision.cpp
          -P ${CMAKE_CURRENT_LIST_DIR}/WriteRevision.cmake
  BYPRODUCTS ${TAVRION_GENERATED_DIR}/BuildRevision.cpp
  COMMENT "Reading the source revision"
  VERBATIM)
add_library(tavrion_version STATIC ${TAVRION_GENERATED_DIR}/BuildRevision.cpp)
add_dependencies(tavrion_version tavrion_revision)
target_include_directories(tavrion_version PUBLIC ${TAVRION_GENERATED_DIR})
tavrion_configure_target(tavrion_version)
