# Remakes the import library of an i686 DLL whose .def file exports its
# __stdcall functions undecorated: a caller compiled against the header asks
# for _BcxInit@0, so the library carries each decorated name, bound to the
# export of the plain name. The decoration is read from the DLL's own
# symbols, so a function missing behind an export stops the build.
#   cmake -DNM= -DDLLTOOL= -DDLL= -DDEF= -DOUT_DEF= -DIMPLIB= -P stdcall-implib.cmake
execute_process(COMMAND ${NM} ${DLL} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} ${DLL} failed")
endif()
get_filename_component(dll_name ${DLL} NAME)
set(def "LIBRARY ${dll_name}\nEXPORTS\n")
file(STRINGS ${DEF} lines)
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[ \t]+([A-Za-z_][A-Za-z0-9_]*)[ \t]+@([0-9]+)")
    continue()
  endif()
  set(name ${CMAKE_MATCH_1})
  set(ordinal ${CMAKE_MATCH_2})
  if(NOT symbols MATCHES " T _${name}@([0-9]+)\n")
    message(FATAL_ERROR "${dll_name}: no __stdcall function behind the export ${name}")
  endif()
  string(APPEND def "  ${name}@${CMAKE_MATCH_1} @${ordinal}\n")
endforeach()
file(WRITE ${OUT_DEF} "${def}")
execute_process(COMMAND ${DLLTOOL} --kill-at -d ${OUT_DEF} -D ${dll_name} -l ${IMPLIB}
  RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${DLLTOOL} could not write ${IMPLIB}")
endif()
