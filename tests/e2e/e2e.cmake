# End-to-end tests of the real quillet.exe under Wine: every tests/e2e/test_*.sh is one test.
# Each builds its own copy of the program when it needs another endpoint (see e2e-lib.sh).
# quillet_peek.exe reads the update window's state from outside, as the tests' eyes.
add_executable(quillet_peek ${PROJECT_SOURCE_DIR}/tests/e2e/peek.cpp)
# uuid before oleacc: see the Wine tests.
target_link_libraries(quillet_peek PRIVATE uuid oleacc oleaut32 ole32)
# quillet_trust_root.exe makes the tests' own CA trusted in the Wine prefix it runs in.
add_executable(quillet_trust_root ${PROJECT_SOURCE_DIR}/tests/e2e/trust_root.c)
target_link_libraries(quillet_trust_root PRIVATE crypt32)
# quillet_protect_value.exe stores a value protected as a further account's password is.
add_executable(quillet_protect_value ${PROJECT_SOURCE_DIR}/tests/e2e/protect_value.c)
target_link_libraries(quillet_protect_value PRIVATE crypt32)

# quillet_full_screen.exe: another program's window that fills the screen, in front, until told to end.
add_executable(quillet_full_screen WIN32 ${PROJECT_SOURCE_DIR}/tests/e2e/full_screen.c)
target_link_options(quillet_full_screen PRIVATE -municode)

# The helpers and loopback copies the tests build use this build's toolchain (i686 or x86_64).
#
# The installer's test needs the installer, which only the 32-bit build makes. Being a 32-bit
# program itself, it reports itself skipped (exit 77) when run where 32-bit programs cannot run.
if(NOT QUILLET_REGISTER_WINE_TESTS)
  return()
endif()
# One end-to-end test: `bash SCRIPT [PART]`. The timeout only stops a hung test: each takes two
# minutes at most on two busy cores. They mostly wait on Wine and the clock, so several run side
# by side (tools/test.sh); they are the longest of the run and start first (COST), the longest of
# them before the others, so that none of those starts last: their seconds on a loaded machine
# (the update check waits minutes for the program's own schedule).
set(QUILLET_E2E_SECONDS update_check=400 faults_responsive=350 dpi=290 full_screen_hold=155
  bluesky_posting=150 posting=140 bluesky_beside_snac=140 posting_faults_replies=130
  service_failures=130 read_back_late=125)
function(quillet_add_e2e_test test script)
  add_test(NAME ${test} COMMAND bash ${script} ${ARGN})
  set(cost 100)
  foreach(entry ${QUILLET_E2E_SECONDS})
    string(REPLACE "=" ";" entry "${entry}")
    list(GET entry 0 name)
    if(test STREQUAL "e2e_test_${name}")
      list(GET entry 1 cost)
    endif()
  endforeach()
  set_tests_properties(${test} PROPERTIES TIMEOUT 600 COST ${cost} SKIP_RETURN_CODE 77
    ENVIRONMENT "QUILLET_TEST_NAME=${test};QUILLET_ROOT=${PROJECT_SOURCE_DIR};QUILLET_EXE=$<TARGET_FILE:quillet>;QUILLET_PEEK=$<TARGET_FILE:quillet_peek>;QUILLET_TRUST_ROOT=$<TARGET_FILE:quillet_trust_root>;QUILLET_PROTECT_VALUE=$<TARGET_FILE:quillet_protect_value>;QUILLET_FULL_SCREEN=$<TARGET_FILE:quillet_full_screen>;QUILLET_BUILD_DIR=${CMAKE_BINARY_DIR};QUILLET_TOOLCHAIN=${CMAKE_TOOLCHAIN_FILE};QUILLET_C_COMPILER=${CMAKE_C_COMPILER}")
endfunction()

file(GLOB QUILLET_E2E_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/e2e/test_*.sh)
foreach(script ${QUILLET_E2E_TESTS})
  get_filename_component(name ${script} NAME_WE)
  if(name STREQUAL "test_installer" AND NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
    continue()
  endif()
  # A script in parts (a line `e2e_parts "${1:-}" PART...`) is one test per part.
  file(STRINGS ${script} partsLine REGEX "^e2e_parts ")
  file(STRINGS ${script} sideBySide REGEX "^e2e_parts_side_by_side ")
  if(sideBySide)
    # Parts side by side (e2e_parts_side_by_side): one test, which runs them all at once.
    quillet_add_e2e_test(e2e_${name} ${script})
  elseif(partsLine)
    string(REGEX REPLACE "^e2e_parts +\"[^\"]*\" +" "" parts "${partsLine}")
    separate_arguments(parts UNIX_COMMAND "${parts}")
    foreach(part ${parts})
      quillet_add_e2e_test(e2e_${name}_${part} ${script} ${part})
    endforeach()
  else()
    quillet_add_e2e_test(e2e_${name} ${script})
  endif()
endforeach()

# The documentation's pictures, taken of the real program under Wine into docs/screenshots/:
#   cmake --build <this folder> --target screenshots
add_custom_target(screenshots
  COMMAND ${CMAKE_COMMAND} -E env QUILLET_ROOT=${PROJECT_SOURCE_DIR} QUILLET_EXE=$<TARGET_FILE:quillet>
    QUILLET_PEEK=$<TARGET_FILE:quillet_peek> QUILLET_BUILD_DIR=${CMAKE_BINARY_DIR}
    bash ${PROJECT_SOURCE_DIR}/tools/screenshots.sh
  DEPENDS quillet quillet_peek USES_TERMINAL VERBATIM)
