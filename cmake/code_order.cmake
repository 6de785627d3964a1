# The layout of quillet.exe's code. Under Wine an executable whose sections sit on page boundaries
# in the file (--file-alignment=0x1000) is mapped from the file, and only the pages of code the
# program touches become resident (with the pages around each: the kernel maps up to 64 KiB at a
# fault); with the default alignment Wine reads the whole image into memory. The functions run
# from the start to the icon and at idle are then laid out first, in the order they first ran, so
# that they share a few pages instead of being spread over all of .text (ld otherwise sorts the
# functions' sections by name). The order comes from tools/code_order/order.txt, recorded by
# tools/code_order/record.sh (docs/code-order.md); a name the list holds that the program no longer
# has matches nothing, and a function the list lacks lands where ld puts it anyway: a stale list
# costs memory, never correctness.
#
# quillet_code_order_script(OUT): writes the linker script (ld's own default script for the target,
# with the listed functions' sections first in .text) to OUT, only when its text changes; sets
# QUILLET_CODE_ORDER_SCRIPT to OUT, or to "" where ld's default script has not the expected shape.
set(QUILLET_CODE_ORDER_LIST ${PROJECT_SOURCE_DIR}/tools/code_order/order.txt)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${QUILLET_CODE_ORDER_LIST})

function(quillet_code_order_script out)
  set(QUILLET_CODE_ORDER_SCRIPT "" PARENT_SCOPE)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-prog-name=ld
    OUTPUT_VARIABLE ld OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${ld} --verbose OUTPUT_VARIABLE verbose RESULT_VARIABLE failed ERROR_QUIET)
  set(anchor "    KEEP (*(SORT_NONE(.init)))\n")
  string(FIND "${verbose}" "\n==================================================\n" begin)
  string(FIND "${verbose}" "\n==================================================\n" end REVERSE)
  string(FIND "${verbose}" "${anchor}" at)
  if(failed OR begin LESS 0 OR end LESS_EQUAL begin OR at LESS 0)
    message(WARNING "ld's default script not understood: quillet.exe's code keeps ld's own order")
    return()
  endif()
  math(EXPR begin "${begin} + 52")
  math(EXPR length "${end} + 1 - ${begin}")
  string(SUBSTRING "${verbose}" ${begin} ${length} script)
  file(STRINGS ${QUILLET_CODE_ORDER_LIST} names REGEX "^[A-Za-z0-9_.$]+$")
  set(entries "")
  foreach(name IN LISTS names)
    string(APPEND entries "    *(.text\$${name} .text\$${name}.*)\n")
  endforeach()
  # The C++ run-time library's functions (operator new and delete, the guards of local statics,
  # the trees of std::map, ...) are not recorded (the library is not instrumented); they are few
  # (14 KiB), and many run at the start: all of them follow the list.
  # Nor are the thunks that adjust "this" before a virtual function (the message handlers of the
  # windows are entered through them): 16 bytes each, all of them follow too.
  string(APPEND entries "    *libstdc++.a:*(.text\$*)\n    *(.text\$_ZThn* .text\$_ZTv*)\n")
  string(REPLACE "${anchor}" "${anchor}    /* quillet: the functions run at the start and at idle, in order */\n${entries}"
    script "${script}")
  file(WRITE ${out}.new "${script}")
  configure_file(${out}.new ${out} COPYONLY)
  set(QUILLET_CODE_ORDER_SCRIPT ${out} PARENT_SCOPE)
endfunction()
