# libFuzzer targets: each tests/fuzz/fuzz_NAME.cpp is one target, run as a test for
# QUILLET_FUZZ_SECONDS from its seed corpus tests/fuzz/corpus/NAME (which the run leaves alone).
# Each keeps a core busy: they take the lock "cpu", one at a time.
file(GLOB QUILLET_FUZZ_TARGETS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(source ${QUILLET_FUZZ_TARGETS})
  get_filename_component(target ${source} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" name ${target})
  add_executable(${target} ${source})
  target_link_libraries(${target} PRIVATE quillet_fake)
  target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  add_test(NAME ${target}
    COMMAND ${PROJECT_SOURCE_DIR}/tools/fuzz-run.sh $<TARGET_FILE:${target}> ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name}
            ${QUILLET_FUZZ_SECONDS})
  set_tests_properties(${target} PROPERTIES TIMEOUT 3600 RESOURCE_LOCK cpu COST 200)
endforeach()
