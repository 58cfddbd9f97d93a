# zentrel-flash(1), made by help2man from the program's own --help, so the
# page never drifts from the options. It runs the built program, so it is
# made only for the build host, and left out where help2man is missing.
if(CMAKE_CROSSCOMPILING)
  return()
endif()
find_program(ZENTREL_HELP2MAN help2man)
find_program(ZENTREL_GZIP gzip)
if(NOT ZENTREL_HELP2MAN OR NOT ZENTREL_GZIP)
  message(STATUS "help2man or gzip not found: no man page for zentrel-flash")
  return()
endif()

set(_zentrel_man ${CMAKE_BINARY_DIR}/man/zentrel-flash.1)
add_custom_command(
  OUTPUT ${_zentrel_man}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND ${ZENTREL_HELP2MAN} --no-info --version-string=${PROJECT_VERSION}
          "--name=flash firmware through a USB HID boot loader"
          --output=${_zentrel_man} $<TARGET_FILE:zentrel-flash>
  # -n: no time stamp in the archive, so the package is reproducible.
  COMMAND ${ZENTREL_GZIP} -9 -n -f ${_zentrel_man}
  DEPENDS zentrel-flash
  COMMENT "Man page zentrel-flash.1 from zentrel-flash --help"
  VERBATIM)
add_custom_target(zentrel-flash-man ALL DEPENDS ${_zentrel_man}.gz)

include(GNUInstallDirs)
install(FILES ${_zentrel_man}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
