# The release, made from quillet.exe by the 32-bit build, which is what ships: the Windows
# installer (NSIS), the portable zip, both signed when a certificate is given (installer/sign.sh),
# and the winget and Scoop manifests in release/ (installer/package.sh).
find_program(MAKENSIS makensis)
find_program(ZIP zip)
# Where the release's files are downloaded from (<base>/v<version>/<file>), written into the
# winget and Scoop manifests; a placeholder until the project publishes them.
set(QUILLET_RELEASE_URL_BASE "https://downloads.example.invalid/quillet" CACHE STRING
    "Address the release's files are downloaded from, as <base>/v<version>/quillet-setup.exe")
set(QUILLET_STRIPPED ${CMAKE_BINARY_DIR}/package/stripped/quillet.exe)
set(QUILLET_SHIPPED ${CMAKE_BINARY_DIR}/package/quillet.exe)
add_custom_command(OUTPUT ${QUILLET_STRIPPED}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package/stripped
  COMMAND ${CMAKE_STRIP} -o ${QUILLET_STRIPPED} $<TARGET_FILE:quillet>
  DEPENDS quillet
  COMMENT "Stripping quillet.exe for shipping")
if(CMAKE_SIZEOF_VOID_P EQUAL 4 AND MAKENSIS AND ZIP)
  # Signing follows the certificate in the environment (installer/sign.sh): what it depends on is
  # looked at every build, and a change makes the packages again.
  set(QUILLET_SIGNING_IDENTITY ${CMAKE_BINARY_DIR}/package/signing-identity)
  add_custom_target(signing_identity
    COMMAND bash ${PROJECT_SOURCE_DIR}/installer/sign.sh --identity ${QUILLET_SIGNING_IDENTITY}
    BYPRODUCTS ${QUILLET_SIGNING_IDENTITY} VERBATIM)
  set(QUILLET_RELEASE_FILES
    ${QUILLET_SHIPPED} ${CMAKE_BINARY_DIR}/quillet-portable.zip ${CMAKE_BINARY_DIR}/quillet-setup.exe
    ${CMAKE_BINARY_DIR}/release/winget/Velmora.Quillet.yaml
    ${CMAKE_BINARY_DIR}/release/winget/Velmora.Quillet.installer.yaml
    ${CMAKE_BINARY_DIR}/release/winget/Velmora.Quillet.locale.en-US.yaml
    ${CMAKE_BINARY_DIR}/release/scoop/quillet.json)
  add_custom_command(OUTPUT ${QUILLET_RELEASE_FILES}
    COMMAND bash ${PROJECT_SOURCE_DIR}/installer/package.sh ${QUILLET_STRIPPED} ${CMAKE_BINARY_DIR}
            ${PROJECT_VERSION} ${QUILLET_RELEASE_URL_BASE} ${QUILLET_UPDATE_FEED} ${MAKENSIS} ${ZIP}
    DEPENDS ${QUILLET_STRIPPED} ${QUILLET_SIGNING_IDENTITY} ${PROJECT_SOURCE_DIR}/installer/package.sh
            ${PROJECT_SOURCE_DIR}/installer/sign.sh ${PROJECT_SOURCE_DIR}/installer/release_manifests.py
            ${PROJECT_SOURCE_DIR}/installer/quillet.nsi ${PROJECT_SOURCE_DIR}/resources/quillet.ico
    COMMENT "Making the release: quillet.exe, quillet-portable.zip, quillet-setup.exe, the manifests" VERBATIM)
  add_custom_target(packages ALL DEPENDS ${QUILLET_RELEASE_FILES})
  # The manifests against their formats' published schemas (third_party/), and what they describe,
  # with the system's Python, which has the validator tools/setup.sh installs (python3-jsonschema).
  find_program(QUILLET_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(NOT QUILLET_SYSTEM_PYTHON)
    set(QUILLET_SYSTEM_PYTHON python3)
  endif()
  add_test(NAME release_manifests_valid
    COMMAND ${QUILLET_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR}/tests/tools/release_manifests_test.py ${PROJECT_SOURCE_DIR}
            ${CMAKE_BINARY_DIR} ${PROJECT_VERSION} ${QUILLET_RELEASE_URL_BASE})
  # Signing with a throwaway certificate, checked by osslsigncode verify.
  find_program(OSSLSIGNCODE osslsigncode)
  if(OSSLSIGNCODE)
    add_test(NAME release_signing
      COMMAND bash ${PROJECT_SOURCE_DIR}/tests/tools/signing_test.sh ${PROJECT_SOURCE_DIR} ${CMAKE_BINARY_DIR}
              ${MAKENSIS} ${ZIP})
  endif()
else()
  # The 64-bit build (the Wine tests where 32-bit programs cannot run) makes only the stripped copy.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    message(WARNING "makensis or zip not found: no installer, zip or manifests are made (install Debian's nsis and zip)")
  endif()
  add_custom_command(OUTPUT ${QUILLET_SHIPPED}
    COMMAND ${CMAKE_COMMAND} -E copy ${QUILLET_STRIPPED} ${QUILLET_SHIPPED}
    DEPENDS ${QUILLET_STRIPPED})
  add_custom_target(packages ALL DEPENDS ${QUILLET_SHIPPED})
endif()
