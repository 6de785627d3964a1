# The Windows installer (NSIS) and the portable zip, made from quillet.exe by the 32-bit build,
# which is what ships. The 64-bit build (the Wine tests where 32-bit programs cannot run) makes
# only the stripped copy.
find_program(MAKENSIS makensis)
find_program(ZIP zip)
set(QUILLET_STRIPPED ${CMAKE_BINARY_DIR}/package/quillet.exe)
add_custom_command(OUTPUT ${QUILLET_STRIPPED}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/package
  COMMAND ${CMAKE_STRIP} -o ${QUILLET_STRIPPED} $<TARGET_FILE:quillet>
  DEPENDS quillet
  COMMENT "Stripping quillet.exe for shipping")
set(QUILLET_PACKAGES ${QUILLET_STRIPPED})
if(NOT CMAKE_SIZEOF_VOID_P EQUAL 4)
  # Nothing to package.
elseif(MAKENSIS)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quillet-setup.exe
    COMMAND ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} -DEXE=${QUILLET_STRIPPED}
            -DICON=${PROJECT_SOURCE_DIR}/resources/quillet.ico -DOUTFILE=${CMAKE_BINARY_DIR}/quillet-setup.exe
            ${PROJECT_SOURCE_DIR}/installer/quillet.nsi
    DEPENDS ${QUILLET_STRIPPED} ${PROJECT_SOURCE_DIR}/installer/quillet.nsi ${PROJECT_SOURCE_DIR}/resources/quillet.ico
    COMMENT "Making quillet-setup.exe")
  list(APPEND QUILLET_PACKAGES ${CMAKE_BINARY_DIR}/quillet-setup.exe)
else()
  message(WARNING "makensis not found: quillet-setup.exe is not made (install Debian's nsis)")
endif()
if(ZIP AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/quillet-portable.zip
    COMMAND ${CMAKE_COMMAND} -E rm -f ${CMAKE_BINARY_DIR}/quillet-portable.zip
    COMMAND ${ZIP} -j -q -X ${CMAKE_BINARY_DIR}/quillet-portable.zip ${QUILLET_STRIPPED}
    DEPENDS ${QUILLET_STRIPPED}
    COMMENT "Making quillet-portable.zip")
  list(APPEND QUILLET_PACKAGES ${CMAKE_BINARY_DIR}/quillet-portable.zip)
endif()
add_custom_target(packages ALL DEPENDS ${QUILLET_PACKAGES})
