# The executable's resources: icon, pictures, manifest and version information.
configure_file(${PROJECT_SOURCE_DIR}/resources/quillet_version.h.in ${CMAKE_BINARY_DIR}/generated/quillet_version.h)
set(QUILLET_RC ${PROJECT_SOURCE_DIR}/resources/quillet.rc)
file(GLOB QUILLET_RESOURCE_FILES ${PROJECT_SOURCE_DIR}/resources/*.ico ${PROJECT_SOURCE_DIR}/resources/*.bmp
  ${PROJECT_SOURCE_DIR}/resources/*.manifest)
set_source_files_properties(${QUILLET_RC} PROPERTIES OBJECT_DEPENDS "${QUILLET_RESOURCE_FILES}")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${PROJECT_SOURCE_DIR}/resources -I${CMAKE_BINARY_DIR}/generated")
