# The executable's resources: icon, pictures, manifest and version information.
configure_file(${PROJECT_SOURCE_DIR}/resources/quillet_version.h.in ${CMAKE_BINARY_DIR}/generated/quillet_version.h)
# The manifest names the processor the executable is built for: x86 (the product) or amd64.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUILLET_MANIFEST_ARCH amd64)
else()
  set(QUILLET_MANIFEST_ARCH x86)
endif()
configure_file(${PROJECT_SOURCE_DIR}/resources/quillet.manifest.in ${CMAKE_BINARY_DIR}/generated/quillet.manifest @ONLY)
set(QUILLET_RC ${PROJECT_SOURCE_DIR}/resources/quillet.rc)
file(GLOB QUILLET_RESOURCE_FILES ${PROJECT_SOURCE_DIR}/resources/*.ico ${PROJECT_SOURCE_DIR}/resources/*.png)
list(APPEND QUILLET_RESOURCE_FILES ${CMAKE_BINARY_DIR}/generated/quillet.manifest)
set_source_files_properties(${QUILLET_RC} PROPERTIES OBJECT_DEPENDS "${QUILLET_RESOURCE_FILES}")
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${PROJECT_SOURCE_DIR}/resources -I${CMAKE_BINARY_DIR}/generated")
