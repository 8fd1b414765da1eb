# After installing: refresh the MIME database and the desktop file cache so
# that a file manager opens LZH archives in the program at once. Skipped for
# a staged install (DESTDIR): the package's own triggers do it there.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
find_program(UPDATE_MIME update-mime-database)
if(UPDATE_MIME)
  # Quiet unless it fails: it notes at length when the prefix is not searched.
  execute_process(COMMAND ${UPDATE_MIME} "${CMAKE_INSTALL_PREFIX}/share/mime"
    RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(failed)
    message(WARNING "update-mime-database: ${said}")
  endif()
endif()
find_program(UPDATE_DESKTOP update-desktop-database)
if(UPDATE_DESKTOP)
  execute_process(COMMAND ${UPDATE_DESKTOP} "${CMAKE_INSTALL_PREFIX}/share/applications"
    RESULT_VARIABLE failed OUTPUT_VARIABLE said ERROR_VARIABLE said)
  if(failed)
    message(WARNING "update-desktop-database: ${said}")
  endif()
endif()
