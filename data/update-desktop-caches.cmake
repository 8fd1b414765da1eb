# After installing: refresh the MIME database and the desktop file cache so
# that a file manager opens LZH archives in the program at once. Skipped for
# a staged install (DESTDIR): the package's own triggers do it there.
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  return()
endif()
find_program(UPDATE_MIME update-mime-database)
if(UPDATE_MIME)
  execute_process(COMMAND ${UPDATE_MIME} "${CMAKE_INSTALL_PREFIX}/share/mime")
endif()
find_program(UPDATE_DESKTOP update-desktop-database)
if(UPDATE_DESKTOP)
  execute_process(COMMAND ${UPDATE_DESKTOP} "${CMAKE_INSTALL_PREFIX}/share/applications")
endif()
