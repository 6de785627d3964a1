# Targets. Each folder's sources are picked up by pattern, so a new module needs no edit here.

file(GLOB QUILLET_CORE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/posting/*.cpp
  ${PROJECT_SOURCE_DIR}/delivery/*.cpp
  ${PROJECT_SOURCE_DIR}/settings/*.cpp
  ${PROJECT_SOURCE_DIR}/dialogs/*.cpp
  ${PROJECT_SOURCE_DIR}/tray/*.cpp
  ${PROJECT_SOURCE_DIR}/program/*.cpp
  ${PROJECT_SOURCE_DIR}/common/*.cpp)
# The code page and the trace of swallowed failures are the pieces of the core that differ per
# platform: chosen here, at build.
if(WIN32)
  list(APPEND QUILLET_CORE_SOURCES ${PROJECT_SOURCE_DIR}/platform/win32/codepage_acp.cpp
       ${PROJECT_SOURCE_DIR}/platform/win32/trace_debug_output.cpp)
else()
  list(APPEND QUILLET_CORE_SOURCES ${PROJECT_SOURCE_DIR}/platform/fake/codepage_1252.cpp
       ${PROJECT_SOURCE_DIR}/platform/fake/trace_counter.cpp)
endif()
add_library(quillet_core STATIC ${QUILLET_CORE_SOURCES})
target_include_directories(quillet_core PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_definitions(quillet_core PUBLIC
  QUILLET_CONNECT_HOST="${QUILLET_CONNECT_HOST}"
  QUILLET_HOST_HEADER="${QUILLET_HOST_HEADER}"
  QUILLET_PORT=${QUILLET_PORT})

# GoogleTest, built with this project's compiler (the cross compiler too): from its sources where
# they are (Debian's googletest package), else an installed one (MSYS2's gtest on Windows).
set(QUILLET_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest's sources")
if(EXISTS ${QUILLET_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${QUILLET_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
else()
  find_package(GTest)
  if(GTest_FOUND)
    add_library(gtest ALIAS GTest::gtest)
    add_library(gtest_main ALIAS GTest::gtest_main)
  else()
    message(WARNING "GoogleTest not found: only the program is built, no tests")
  endif()
endif()

file(GLOB QUILLET_CONTRACT_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/contract/*.cpp)

if(WIN32)
  file(GLOB QUILLET_WIN32_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp)
  list(FILTER QUILLET_WIN32_SOURCES EXCLUDE REGEX "/(main|codepage_acp|trace_debug_output)\\.cpp$")
  add_library(quillet_win32 STATIC ${QUILLET_WIN32_SOURCES})
  target_link_libraries(quillet_win32 PUBLIC quillet_core ws2_32 comctl32 shell32 user32 gdi32 advapi32 msimg32 crypt32 ole32 uuid)
  target_compile_definitions(quillet_win32 PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601)

  include(${PROJECT_SOURCE_DIR}/resources/resources.cmake)
  add_executable(quillet WIN32 ${PROJECT_SOURCE_DIR}/platform/win32/main.cpp ${QUILLET_RC})
  target_link_libraries(quillet PRIVATE quillet_win32)
  set_target_properties(quillet PROPERTIES OUTPUT_NAME quillet)
  include(${PROJECT_SOURCE_DIR}/installer/installer.cmake)

  # The baseline of the idle-cost benchmark, and its floor in plain C (no C++ runtime): built with
  # the same flags and resources.
  add_executable(quillet_baseline WIN32 ${PROJECT_SOURCE_DIR}/bench/minimal_tray.cpp ${QUILLET_RC})
  target_include_directories(quillet_baseline PRIVATE ${PROJECT_SOURCE_DIR})
  add_executable(quillet_floor WIN32 ${PROJECT_SOURCE_DIR}/bench/minimal_tray.c ${QUILLET_RC})
  target_include_directories(quillet_floor PRIVATE ${PROJECT_SOURCE_DIR})
  # The benchmarks' probe: watches a program's windows and tray icon from outside (bench/).
  add_executable(quillet_bench_probe ${PROJECT_SOURCE_DIR}/bench/probe.cpp)
  target_link_libraries(quillet_bench_probe PRIVATE psapi winmm)

  if(NOT TARGET gtest)
    return()
  endif()
  # Tests that run under Wine: the platform contracts against the real Windows services,
  # and the Win32-only tests.
  file(GLOB QUILLET_WINE_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/wine/*.cpp)
  add_executable(quillet_wine_tests ${QUILLET_CONTRACT_TESTS} ${QUILLET_WINE_TESTS} ${QUILLET_RC})
  target_link_libraries(quillet_wine_tests PRIVATE quillet_win32 gtest gtest_main)
  if(CMAKE_CROSSCOMPILING)
    # Built on Linux: the Windows tests run under Wine, the end-to-end tests drive it with X tools.
    # Where this machine cannot run 32-bit programs, tools/test.sh turns them off in the i686
    # build and runs the x86_64 build's instead (all but the installer's, see e2e.cmake).
    option(QUILLET_REGISTER_WINE_TESTS "Register the tests that run this build's programs under Wine" ON)
    if(QUILLET_REGISTER_WINE_TESTS)
      add_test(NAME wine_tests
        COMMAND bash ${PROJECT_SOURCE_DIR}/tests/wine/run_with_service.sh $<TARGET_FILE:quillet_wine_tests>
          $<TARGET_FILE:quillet_trust_root> --gtest_brief=1)
      set_tests_properties(wine_tests PROPERTIES TIMEOUT 600)
    endif()
    include(${PROJECT_SOURCE_DIR}/tests/e2e/e2e.cmake)
  else()
    add_test(NAME windows_tests COMMAND quillet_wine_tests --gtest_brief=1)
  endif()
else()
  file(GLOB QUILLET_FAKE_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/fake/*.cpp)
  list(FILTER QUILLET_FAKE_SOURCES EXCLUDE REGEX "/(codepage_1252|trace_counter)\\.cpp$")
  add_library(quillet_fake STATIC ${QUILLET_FAKE_SOURCES})
  target_link_libraries(quillet_fake PUBLIC quillet_core)

  if(QUILLET_FUZZ)
    include(${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz.cmake)
    return()
  endif()

  if(NOT TARGET gtest)
    return()
  endif()
  file(GLOB QUILLET_UNIT_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/unit/*.cpp)
  add_executable(quillet_unit_tests ${QUILLET_UNIT_TESTS} ${QUILLET_CONTRACT_TESTS})
  target_link_libraries(quillet_unit_tests PRIVATE quillet_fake gtest gtest_main)
  # The table of settings is checked against the README's settings tables.
  target_compile_definitions(quillet_unit_tests PRIVATE QUILLET_README_PATH="${PROJECT_SOURCE_DIR}/README.md")
  include(GoogleTest)
  # The model check of delivery walks fewer times under the sanitizers, which run it some times slower.
  if(QUILLET_SANITIZE)
    gtest_discover_tests(quillet_unit_tests DISCOVERY_MODE PRE_TEST PROPERTIES ENVIRONMENT QUILLET_MODEL_WALKS=300)
  else()
    gtest_discover_tests(quillet_unit_tests DISCOVERY_MODE PRE_TEST)
  endif()
endif()
