# Functions of a system library imported so that the library is loaded at the first call rather
# than with the program (the linker's delay-load: an import library made by dlltool with
# --output-delaylib, resolved by the C runtime's __delayLoadHelper2). For calls in code that
# cannot use LibraryFunction (library_function.h); a library or function that cannot be had
# there ends the program with the loader's exception instead of a Failure.
#
#   quillet_delay_load(TARGET LIBRARY FUNCTION:ARGUMENT_BYTES...)
#
# Without dlltool the library is linked as usual (loaded at start).
function(quillet_delay_load target library)
  if(NOT CMAKE_DLLTOOL)
    target_link_libraries(${target} PUBLIC ${library})
    return()
  endif()
  set(def "LIBRARY ${library}.dll\nEXPORTS\n")
  foreach(entry ${ARGN})
    string(REPLACE ":" ";" parts "${entry}")
    list(GET parts 0 name)
    list(GET parts 1 bytes)
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      string(APPEND def "${name}@${bytes}\n")  # stdcall: decorated in the import, plain in the DLL
    else()
      string(APPEND def "${name}\n")
    endif()
  endforeach()
  set(dir ${CMAKE_BINARY_DIR}/delay_load)
  file(WRITE ${dir}/${library}.def "${def}")
  set(archive ${dir}/lib${library}_delay.a)
  add_custom_command(OUTPUT ${archive}
    COMMAND ${CMAKE_DLLTOOL} --input-def ${dir}/${library}.def --dllname ${library}.dll --kill-at
            --output-delaylib ${archive}
    DEPENDS ${dir}/${library}.def VERBATIM)
  add_custom_target(${library}_delay_load ALL DEPENDS ${archive})
  get_target_property(imported ${target} IMPORTED)
  if(imported)  # made by another build: the archive goes with what its users link
    set_property(TARGET ${target} APPEND PROPERTY INTERFACE_LINK_LIBRARIES ${archive})
  else()
    add_dependencies(${target} ${library}_delay_load)
    target_link_libraries(${target} PUBLIC ${archive})
  endif()
endfunction()
