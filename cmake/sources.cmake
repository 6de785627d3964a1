# Targets. Each folder's sources are picked up by pattern, so a new module needs no edit here.

file(GLOB QUILLET_CORE_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/posting/*.cpp
  ${PROJECT_SOURCE_DIR}/delivery/*.cpp
  ${PROJECT_SOURCE_DIR}/journal/*.cpp
  ${PROJECT_SOURCE_DIR}/networks/*.cpp
  ${PROJECT_SOURCE_DIR}/networks/*/*.cpp
  ${PROJECT_SOURCE_DIR}/settings/*.cpp
  ${PROJECT_SOURCE_DIR}/dialogs/*.cpp
  ${PROJECT_SOURCE_DIR}/tray/*.cpp
  ${PROJECT_SOURCE_DIR}/program/*.cpp
  ${PROJECT_SOURCE_DIR}/common/*.cpp)
# The code page, the trace of swallowed failures and the lock are the pieces of the core that
# differ per platform: chosen here, at build.
if(WIN32)
  list(APPEND QUILLET_CORE_SOURCES ${PROJECT_SOURCE_DIR}/platform/win32/codepage_acp.cpp
       ${PROJECT_SOURCE_DIR}/platform/win32/trace_debug_output.cpp ${PROJECT_SOURCE_DIR}/platform/win32/slim_lock.cpp)
else()
  list(APPEND QUILLET_CORE_SOURCES ${PROJECT_SOURCE_DIR}/platform/fake/codepage_1252.cpp
       ${PROJECT_SOURCE_DIR}/platform/fake/trace_counter.cpp)
endif()
# The built-in endpoint is compiled into one file only, so that a copy of the program for another
# endpoint (the end-to-end tests' loopback copies) recompiles that file and nothing else.
set(QUILLET_ENDPOINT_SOURCE ${PROJECT_SOURCE_DIR}/delivery/built_in_endpoint.cpp)
set_source_files_properties(${QUILLET_ENDPOINT_SOURCE} PROPERTIES COMPILE_DEFINITIONS
  "QUILLET_CONNECT_HOST=\"${QUILLET_CONNECT_HOST}\";QUILLET_HOST_HEADER=\"${QUILLET_HOST_HEADER}\";QUILLET_PORT=${QUILLET_PORT}")
# The program's version and the update check's default feed, likewise in one file.
set_source_files_properties(${PROJECT_SOURCE_DIR}/tray/built_in_release.cpp PROPERTIES COMPILE_DEFINITIONS
  "QUILLET_VERSION=\"${PROJECT_VERSION}\";QUILLET_UPDATE_FEED=\"${QUILLET_UPDATE_FEED}\"")
# A Windows build folder whose program libraries this build links instead of building its own:
# only the endpoint's file is compiled here (set by the end-to-end tests for their loopback copies).
set(QUILLET_LIBRARIES_FROM "" CACHE PATH "A Windows build folder whose libquillet_core.a, libquillet_win32.a and libquillet_windows.a to link")
if(WIN32 AND QUILLET_LIBRARIES_FROM)
  add_library(secp256k1 STATIC IMPORTED)
  set_target_properties(secp256k1 PROPERTIES IMPORTED_LOCATION ${QUILLET_LIBRARIES_FROM}/libsecp256k1.a
    INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR}/third_party/secp256k1/include INTERFACE_COMPILE_DEFINITIONS SECP256K1_STATIC)
  add_library(quillet_core STATIC IMPORTED)
  set_target_properties(quillet_core PROPERTIES IMPORTED_LOCATION ${QUILLET_LIBRARIES_FROM}/libquillet_core.a
    INTERFACE_INCLUDE_DIRECTORIES ${PROJECT_SOURCE_DIR} INTERFACE_LINK_LIBRARIES secp256k1)
else()
  # Nostr's signatures: libsecp256k1, vendored (third_party/secp256k1/README.md).
  add_subdirectory(${PROJECT_SOURCE_DIR}/third_party/secp256k1 ${CMAKE_BINARY_DIR}/third_party/secp256k1)
  # The message catalogs: each po/<language>.po checked against the texts the sources look up,
  # compiled by msgfmt and carried inside the program, packed (tools/messages.py says what is checked).
  find_program(QUILLET_PYTHON NAMES python3 REQUIRED)
  find_program(QUILLET_MSGFMT NAMES msgfmt REQUIRED)
  file(GLOB QUILLET_CATALOGS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/po/*.po ${PROJECT_SOURCE_DIR}/po/quillet.pot)
  file(GLOB_RECURSE QUILLET_TEXT_SOURCES CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/common/*.[ch]* ${PROJECT_SOURCE_DIR}/delivery/*.[ch]* ${PROJECT_SOURCE_DIR}/dialogs/*.[ch]*
    ${PROJECT_SOURCE_DIR}/journal/*.[ch]* ${PROJECT_SOURCE_DIR}/networks/*.[ch]*
    ${PROJECT_SOURCE_DIR}/platform/*.[ch]* ${PROJECT_SOURCE_DIR}/posting/*.[ch]* ${PROJECT_SOURCE_DIR}/program/*.[ch]*
    ${PROJECT_SOURCE_DIR}/settings/*.[ch]* ${PROJECT_SOURCE_DIR}/tray/*.[ch]* ${PROJECT_SOURCE_DIR}/windows/*.[ch]*)
  set(QUILLET_CATALOGS_SOURCE ${CMAKE_BINARY_DIR}/built_in_catalogs.cpp)
  add_custom_command(OUTPUT ${QUILLET_CATALOGS_SOURCE}
    COMMAND ${QUILLET_PYTHON} ${PROJECT_SOURCE_DIR}/tools/messages.py build ${QUILLET_CATALOGS_SOURCE} ${CMAKE_BINARY_DIR}/catalogs
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/messages.py ${QUILLET_CATALOGS} ${QUILLET_TEXT_SOURCES}
    COMMENT "Checking and compiling the message catalogs" VERBATIM)
  # Case folding, for searching the journal: a table made from Unicode's CaseFolding.txt.
  set(QUILLET_CASE_FOLDING_TXT "/usr/share/unicode/CaseFolding.txt" CACHE FILEPATH "Unicode's CaseFolding.txt")
  if(NOT EXISTS ${QUILLET_CASE_FOLDING_TXT})
    message(FATAL_ERROR "${QUILLET_CASE_FOLDING_TXT} is missing: the table of case folding is made from it. "
      "Install Debian's unicode-data package (tools/setup.sh does), or give -DQUILLET_CASE_FOLDING_TXT=<its path>.")
  endif()
  set(QUILLET_CASE_FOLDING_SOURCE ${CMAKE_BINARY_DIR}/case_folding_table.cpp)
  add_custom_command(OUTPUT ${QUILLET_CASE_FOLDING_SOURCE}
    COMMAND ${QUILLET_PYTHON} ${PROJECT_SOURCE_DIR}/tools/case_folding.py ${QUILLET_CASE_FOLDING_TXT} ${QUILLET_CASE_FOLDING_SOURCE}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/case_folding.py ${QUILLET_CASE_FOLDING_TXT}
    COMMENT "Making the table of case folding from ${QUILLET_CASE_FOLDING_TXT}" VERBATIM)
  add_library(quillet_core STATIC ${QUILLET_CORE_SOURCES} ${QUILLET_CATALOGS_SOURCE} ${QUILLET_CASE_FOLDING_SOURCE})
  target_include_directories(quillet_core PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(quillet_core PRIVATE secp256k1)
  if(WIN32)
    # Each Windows library is one batch: a library function the optimiser tailored to its
    # callers (a string's move, a vector's growth) is kept once a batch, so fewer batches make a
    # smaller program (the i686 quillet.exe: 51 KiB less than with batches of eight). So the
    # helpers a file keeps in its anonymous namespace need names no other file of its library uses.
    set_target_properties(quillet_core PROPERTIES UNITY_BUILD_BATCH_SIZE 0)
  endif()
endif()

# GoogleTest. The Linux builds link the library as installed (Debian's libgtest-dev), compiled
# once for all of them; a sanitized build needs no instrumented copy of the framework. The Windows
# builds compile it with their own cross compiler from its sources where they are (Debian's
# googletest package), else take an installed one (MSYS2's gtest on Windows).
set(QUILLET_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest's sources")
if(NOT WIN32)
  find_package(GTest CONFIG QUIET)
endif()
if(TARGET GTest::gtest)
  add_library(gtest ALIAS GTest::gtest)
  add_library(gtest_main ALIAS GTest::gtest_main)
elseif(EXISTS ${QUILLET_GTEST_SOURCE_DIR}/CMakeLists.txt)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${QUILLET_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  if(WIN32)
    # The Windows runtime has no std::mutex (Win32 thread model), which GoogleTest's Notification
    # uses: it gets one on a Win32 event instead, in GoogleTest and in every test that includes it.
    target_compile_options(gtest PUBLIC "SHELL:-include ${PROJECT_SOURCE_DIR}/tests/wine/gtest_notification.h")
    # Unoptimised: the framework's speed is nothing beside Wine's, and it compiles in two thirds
    # of the time.
    target_compile_options(gtest PRIVATE -O0)
    target_compile_options(gtest_main PRIVATE -O0)
  endif()
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
  list(FILTER QUILLET_WIN32_SOURCES EXCLUDE REGEX "/(codepage_acp|trace_debug_output|slim_lock)\\.cpp$")
  # The Windows front end: the program's parts on Win32, its windows and dialog views, main.cpp.
  file(GLOB QUILLET_WINDOWS_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/windows/*.cpp)
  list(FILTER QUILLET_WINDOWS_SOURCES EXCLUDE REGEX "/main\\.cpp$")
  set(QUILLET_WIN32_LIBRARIES shell32 user32 gdi32 advapi32 msimg32 uuid)
  set(QUILLET_WIN32_DEFINITIONS WIN32_LEAN_AND_MEAN NOMINMAX STRICT _WIN32_WINNT=0x0601)
  if(QUILLET_LIBRARIES_FROM)
    add_library(quillet_win32 STATIC IMPORTED)
    set_target_properties(quillet_win32 PROPERTIES IMPORTED_LOCATION ${QUILLET_LIBRARIES_FROM}/libquillet_win32.a
      INTERFACE_LINK_LIBRARIES "quillet_core;${QUILLET_WIN32_LIBRARIES}"
      INTERFACE_COMPILE_DEFINITIONS "${QUILLET_WIN32_DEFINITIONS}")
    add_library(quillet_windows STATIC IMPORTED)
    set_target_properties(quillet_windows PROPERTIES IMPORTED_LOCATION ${QUILLET_LIBRARIES_FROM}/libquillet_windows.a
      INTERFACE_LINK_LIBRARIES quillet_win32)
  else()
    add_library(quillet_win32 STATIC ${QUILLET_WIN32_SOURCES})
    set_target_properties(quillet_win32 PROPERTIES UNITY_BUILD_BATCH_SIZE 0)  # as quillet_core
    target_link_libraries(quillet_win32 PUBLIC quillet_core ${QUILLET_WIN32_LIBRARIES})
    target_compile_definitions(quillet_win32 PUBLIC ${QUILLET_WIN32_DEFINITIONS})
    add_library(quillet_windows STATIC ${QUILLET_WINDOWS_SOURCES})
    set_target_properties(quillet_windows PROPERTIES UNITY_BUILD_BATCH_SIZE 0)  # as quillet_core
    target_link_libraries(quillet_windows PUBLIC quillet_win32)
  endif()
  # Only what the program needs from its start is imported. WinHTTP, the data protection of crypt32, COM
  # (ole32) and the common controls' InitCommonControlsEx are loaded at their first use
  # (library_function.h, common_controls.cpp); the update window's edit box, which also loads the
  # common controls, is made at the first pop-up.

  include(${PROJECT_SOURCE_DIR}/resources/resources.cmake)
  add_executable(quillet WIN32 ${PROJECT_SOURCE_DIR}/windows/main.cpp ${QUILLET_RC})
  if(QUILLET_LIBRARIES_FROM)  # the endpoint's file, linked before the libraries' copy of it
    target_sources(quillet PRIVATE ${QUILLET_ENDPOINT_SOURCE})
  endif()
  target_link_libraries(quillet PRIVATE quillet_windows)
  if(QUILLET_RECORD_CALLS)  # the recorder, and the map that names the recorded addresses
    target_sources(quillet PRIVATE ${PROJECT_SOURCE_DIR}/tools/code_order/record_calls.c)
    target_link_options(quillet PRIVATE -Wl,-Map=${CMAKE_BINARY_DIR}/quillet.map)
  elseif(CMAKE_BUILD_TYPE STREQUAL "Release")
    include(${PROJECT_SOURCE_DIR}/cmake/code_order.cmake)
    quillet_code_order_script(${CMAKE_BINARY_DIR}/quillet-code-order.ld)
    if(QUILLET_CODE_ORDER_SCRIPT)
      target_link_options(quillet PRIVATE -Wl,-T,${QUILLET_CODE_ORDER_SCRIPT})
      set_property(TARGET quillet APPEND PROPERTY LINK_DEPENDS ${QUILLET_CODE_ORDER_SCRIPT})
    endif()
  endif()
  set_target_properties(quillet PROPERTIES OUTPUT_NAME quillet)
  include(${PROJECT_SOURCE_DIR}/installer/installer.cmake)

  # The baseline of the idle-cost benchmark, and its floor in plain C (no C++ runtime): built with
  # the same flags and resources.
  add_executable(quillet_baseline WIN32 ${PROJECT_SOURCE_DIR}/bench/minimal_tray.cpp ${QUILLET_RC})
  target_include_directories(quillet_baseline PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(quillet_baseline PRIVATE shell32 user32 gdi32)
  add_executable(quillet_floor WIN32 ${PROJECT_SOURCE_DIR}/bench/minimal_tray.c ${QUILLET_RC})
  target_include_directories(quillet_floor PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(quillet_floor PRIVATE shell32 user32 gdi32)
  # The benchmarks' probe: watches a program's windows and tray icon from outside (bench/).
  add_executable(quillet_bench_probe ${PROJECT_SOURCE_DIR}/bench/probe.cpp)
  # The look-back window's benchmark (bench/journal_bench.cpp), run with Wine.
  add_executable(quillet_journal_bench ${PROJECT_SOURCE_DIR}/bench/journal_bench.cpp)
  target_link_libraries(quillet_journal_bench PRIVATE quillet_core)
  # The tags offered at the first "#" (bench/tags_bench.cpp), run with Wine: the journal read
  # through the program's own files.
  add_executable(quillet_tags_bench ${PROJECT_SOURCE_DIR}/bench/tags_bench.cpp)
  target_link_libraries(quillet_tags_bench PRIVATE quillet_win32)
  target_link_libraries(quillet_bench_probe PRIVATE psapi winmm)
  if(QUILLET_RECORD_CALLS)  # only quillet.exe records (tools/code_order/record.sh)
    target_compile_options(quillet_bench_probe PRIVATE -fno-instrument-functions)
  endif()

  if(NOT TARGET gtest)
    return()
  endif()
  # Tests that run under Wine: the platform contracts against the real Windows services,
  # and the Win32-only tests.
  file(GLOB QUILLET_WINE_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/wine/*.cpp)
  add_executable(quillet_wine_tests ${QUILLET_CONTRACT_TESTS} ${QUILLET_WINE_TESTS} ${QUILLET_RC})
  # uuid before oleacc: the 64-bit import library of oleacc gives IID_IAccessible as a function's
  # stub, whose bytes would be taken for the GUID.
  target_link_libraries(quillet_wine_tests PRIVATE quillet_windows gtest gtest_main uuid oleacc oleaut32 ole32 ws2_32)
  # The tests' own code unoptimised (the program's stays as it ships): they wait on Wine's windows,
  # not on their own code, and they compile in two thirds of the time.
  target_compile_options(quillet_wine_tests PRIVATE -O0)
  if(CMAKE_CROSSCOMPILING)
    # Built on Linux: the Windows tests run under Wine, the end-to-end tests drive it with X tools.
    add_test(NAME imports_at_start
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/wine/imports_at_start.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:quillet>)
    add_test(NAME reproducible_release
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/wine/reproducible_release.sh ${CMAKE_OBJDUMP} $<TARGET_FILE:quillet>
              ${PROJECT_SOURCE_DIR})
    # Where this machine cannot run 32-bit programs, tools/test.sh turns them off in the i686
    # build and runs the x86_64 build's instead (all but the installer's, see e2e.cmake).
    option(QUILLET_REGISTER_WINE_TESTS "Register the tests that run this build's programs under Wine" ON)
    if(QUILLET_REGISTER_WINE_TESTS)
      # In three shards, each in a prefix and on a display of its own: the tests mostly wait on
      # Wine, and side by side they take a third of the time.
      foreach(shard RANGE 1 3)
        math(EXPR index "${shard} - 1")
        add_test(NAME wine_tests_${shard}_of_3
          COMMAND bash ${PROJECT_SOURCE_DIR}/tests/wine/run_with_service.sh $<TARGET_FILE:quillet_wine_tests>
            $<TARGET_FILE:quillet_trust_root> --gtest_brief=1)
        set_tests_properties(wine_tests_${shard}_of_3 PROPERTIES TIMEOUT 600 COST 120
          ENVIRONMENT "GTEST_TOTAL_SHARDS=3;GTEST_SHARD_INDEX=${index}")
      endforeach()
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
  endif()

  if(NOT TARGET gtest)
    return()
  endif()
  # The look-back window's benchmark on a journal of years of answers (bench/journal_bench.cpp).
  add_executable(quillet_journal_bench ${PROJECT_SOURCE_DIR}/bench/journal_bench.cpp)
  target_link_libraries(quillet_journal_bench PRIVATE quillet_core)
  # The tags offered at the update window's first "#" (bench/tags_bench.cpp).
  add_executable(quillet_tags_bench ${PROJECT_SOURCE_DIR}/bench/tags_bench.cpp)
  target_link_libraries(quillet_tags_bench PRIVATE quillet_core)

  # The unit tests, and beside them the two that walk thousands of runs through the program: the
  # model check of delivery and the soak (a program of their own, so that they stay optimised in
  # the checked build, see below).
  file(GLOB QUILLET_UNIT_TESTS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/unit/*.cpp ${PROJECT_SOURCE_DIR}/tests/unit/*/*.cpp)
  set(QUILLET_WALK_TESTS ${PROJECT_SOURCE_DIR}/tests/unit/delivery_model_test.cpp ${PROJECT_SOURCE_DIR}/tests/unit/soak_test.cpp)
  set(QUILLET_SANITIZER_DEFAULTS ${PROJECT_SOURCE_DIR}/tests/unit/sanitizer_defaults.cpp)
  list(REMOVE_ITEM QUILLET_UNIT_TESTS ${QUILLET_WALK_TESTS})
  add_executable(quillet_unit_tests ${QUILLET_UNIT_TESTS} ${QUILLET_CONTRACT_TESTS})
  add_executable(quillet_walk_tests ${QUILLET_WALK_TESTS} ${QUILLET_SANITIZER_DEFAULTS}
    ${PROJECT_SOURCE_DIR}/tests/unit/test_network/loopback_network.cpp)
  foreach(target quillet_unit_tests quillet_walk_tests)
    target_link_libraries(${target} PRIVATE quillet_fake gtest gtest_main)
  endforeach()
  # In the checked build the program's code is optimised a little and carries the fuzzer's coverage;
  # the unit tests' own code needs neither, and unoptimised it compiles in two fifths of the time
  # (some 80 s of a core less). The walks spend their time in their own code as much as in the
  # program's: unoptimised they would cost more than the compiler saves, so they keep -O1.
  if(QUILLET_SANITIZE)
    target_compile_options(quillet_unit_tests PRIVATE -O0 -fno-sanitize=fuzzer-no-link)
  endif()
  # The table of settings is checked against the settings tables of docs/settings.md.
  target_compile_definitions(quillet_unit_tests PRIVATE QUILLET_SETTINGS_DOC_PATH="${PROJECT_SOURCE_DIR}/docs/settings.md"
    QUILLET_CASE_FOLDING_TXT="${QUILLET_CASE_FOLDING_TXT}")
  include(GoogleTest)
  # The unit tests run in two processes side by side (GoogleTest's shards), not one process a test:
  # under the sanitizers each process's start costs some 0.15 s of a core, 37 s over the 250 tests,
  # three times what the tests themselves cost together. A failure's output names the test.
  foreach(shard RANGE 1 2)
    math(EXPR index "${shard} - 1")
    add_test(NAME unit_tests_${shard}_of_2 COMMAND quillet_unit_tests --gtest_brief=1)
    set_tests_properties(unit_tests_${shard}_of_2 PROPERTIES ENVIRONMENT "GTEST_TOTAL_SHARDS=2;GTEST_SHARD_INDEX=${index}")
  endforeach()
  # The walks keep a core busy for a while: they take the lock "cpu" (as the fuzz targets do), so
  # that one at a time runs beside the tests that wait on Wine, and they start first, since together
  # they take some minutes.
  # Under the sanitizers (and the fuzzer's coverage) a walk of the model check costs some ten times
  # what it costs optimised: the checked build walks 600 of the 3000, a minute and a half of a core.
  set(environment "")
  if(QUILLET_SANITIZE)
    set(environment ENVIRONMENT QUILLET_MODEL_WALKS=600)
  endif()
  gtest_discover_tests(quillet_walk_tests DISCOVERY_MODE PRE_TEST PROPERTIES RESOURCE_LOCK cpu COST 200 ${environment})
  # The set-up script on a mirror in trouble, with the package tools stood in for; the layers'
  # includes; the scripts' pipelines.
  add_test(NAME setup_on_a_failing_mirror COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/setup_test.sh)
  add_test(NAME catalogs_check_finds_faults COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/tools/messages_test.py)
  add_test(NAME layers_include_only_below COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/tools/layers_test.py ${PROJECT_SOURCE_DIR})
  add_test(NAME scripts_read_whole_pipelines COMMAND python3 ${PROJECT_SOURCE_DIR}/tests/tools/pipelines_test.py
    --self-test ${PROJECT_SOURCE_DIR})
  # The end-to-end tests' Nostr relay is a real checker of ids and signatures (skipped until
  # tools/setup-servers.sh has installed it).
  find_program(QUILLET_NODE NAMES node nodejs)
  if(QUILLET_NODE)
    add_test(NAME nostr_relay_checks COMMAND ${QUILLET_NODE} ${PROJECT_SOURCE_DIR}/tests/e2e/nostr/relay_check.mjs)
    set_tests_properties(nostr_relay_checks PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
  endif()
  # The Nostr events and keys the program makes, checked by nostr-tools (skipped without it).
  add_executable(quillet_nostr_sample ${PROJECT_SOURCE_DIR}/tests/tools/nostr_sample.cpp)
  target_link_libraries(quillet_nostr_sample PRIVATE quillet_core)
  add_test(NAME nostr_tools_check COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/nostr_check.sh
    $<TARGET_FILE:quillet_nostr_sample> ${PROJECT_SOURCE_DIR}/build/nostr)
  set_tests_properties(nostr_tools_check PROPERTIES SKIP_RETURN_CODE 77)
endif()
