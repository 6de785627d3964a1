# End-to-end tests of the real quillet.exe under Wine: every tests/e2e/test_*.sh is one test.
# Each builds its own copy of the program when it needs another endpoint (see e2e-lib.sh).
# quillet_peek.exe reads the update window's state from outside, as the tests' eyes.
add_executable(quillet_peek ${PROJECT_SOURCE_DIR}/tests/e2e/peek.cpp)

file(GLOB QUILLET_E2E_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/test_*.sh)
foreach(script ${QUILLET_E2E_TESTS})
  get_filename_component(name ${script} NAME_WE)
  add_test(NAME e2e_${name} COMMAND bash ${script})
  set_tests_properties(e2e_${name} PROPERTIES TIMEOUT 900
    ENVIRONMENT "QUILLET_ROOT=${PROJECT_SOURCE_DIR};QUILLET_EXE=$<TARGET_FILE:quillet>;QUILLET_PEEK=$<TARGET_FILE:quillet_peek>;QUILLET_BUILD_DIR=${CMAKE_BINARY_DIR}")
endforeach()

# The README's pictures, taken of the real program under Wine into docs/screenshots/:
#   cmake --build <this folder> --target screenshots
add_custom_target(screenshots
  COMMAND ${CMAKE_COMMAND} -E env QUILLET_ROOT=${PROJECT_SOURCE_DIR} QUILLET_EXE=$<TARGET_FILE:quillet>
    QUILLET_PEEK=$<TARGET_FILE:quillet_peek> QUILLET_BUILD_DIR=${CMAKE_BINARY_DIR}
    bash ${PROJECT_SOURCE_DIR}/tools/screenshots.sh
  DEPENDS quillet quillet_peek USES_TERMINAL VERBATIM)
