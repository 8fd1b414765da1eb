# After installing: refresh the MIME database and the desktop file cache so
# that a file manager opens LZH archives in the program at once. Skipped for
# a staged install (DESTDIR): the package's own triggers do it there.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
# update-mime-database is quiet unless it fails: it notes at length when the
# prefix is not one it searches.
foreach(pair "update-mime-database|share/mime" "update-desktop-database|share/applications")
  string(REPLACE "|" ";" pair "${pair}")
  list(GET pair 0 tool)
  list(GET pair 1 dir)
  find_program(tool_path ${tool})
  if(tool_path)
    execute_process(COMMAND ${tool_path} "${CMAKE_INSTALL_PREFIX}/${dir}"
      RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
    if(failed)
      message(WARNING "${tool}: ${said}")
    endif()
  endif()
  unset(tool_path CACHE)
  unset(tool_path)
endforeach()
