# The packages: cpack -G DEB in a Linux build (a Debian package for /usr) and
# cpack -G ZIP in the MinGW build (the statically linked exes to unpack and
# run). Both carry the README with its pictures, the licence and the
# examples beside the programs: the zip as LICENSE.txt, the .deb in its
# copyright file.
include(GNUInstallDirs)

set(ZENTREL_PACKAGE_MAINTAINER
    "Zentrel loader maintainers <maintainers@users.noreply.c-seed-90b2e40b.example>"
    CACHE STRING "Maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME zentrel-loader)
set(CPACK_PACKAGE_VENDOR "Zentrel loader developers")
set(CPACK_PACKAGE_CONTACT "${ZENTREL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "firmware loader for devices with a USB HID boot loader")
set(CPACK_PACKAGE_DESCRIPTION
    "Zentrel loader writes Intel HEX and .mvx firmware images into a device's
flash through the boot loader that the device runs, over USB HID, and reads
the identification of the boot loader and of the application firmware.
It has a desktop window (zentrel-loader), the same window over a built-in
emulated boot loader to try without hardware (zentrel-loader-demo), and a
command line for scripts and production lines (zentrel-flash).")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_SOURCE_GENERATOR TXZ)
set(CPACK_SOURCE_IGNORE_FILES "/build/" "/\\\\.git/")

if(WIN32)
  # A README and a licence that Windows' own editor opens: .txt with CR LF
  # line ends. The README starts with a byte order mark: Notepad before
  # Windows 10 1903 (and so LTSC 2019) reads UTF-8 without one as the ANSI
  # code page and garbles every letter beyond ASCII.
  file(READ ${PROJECT_SOURCE_DIR}/README.md readme)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/README.md)
  string(ASCII 239 187 191 bom)
  file(WRITE ${CMAKE_BINARY_DIR}/package/README.utf8 "${bom}${readme}")
  configure_file(${CMAKE_BINARY_DIR}/package/README.utf8 ${CMAKE_BINARY_DIR}/package/README.txt
                 @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE.txt
                 @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/LICENSE.txt
          DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION examples)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images/ DESTINATION docs/images)
  install(FILES ${ZENTREL_RECORD_SCHEMA} DESTINATION docs)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME zentrel-loader-${PROJECT_VERSION}-win64)
  include(CPack)
  return()
endif()

set(ZENTREL_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/zentrel-loader)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/deb/copyright
        DESTINATION ${ZENTREL_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${ZENTREL_DOC_DIR}/examples)
# The example ELF is firmware for another architecture; lintian is told so.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/deb/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME zentrel-loader)
# The README's pictures, where its links look for them.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images/ DESTINATION ${ZENTREL_DOC_DIR}/docs/images)

# The schema of the command line's JSON records, for the log pipelines that
# check them.
install(FILES ${ZENTREL_RECORD_SCHEMA} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zentrel-loader)

# Shell completion, written by the program itself from its options, where
# each shell looks for it.
if(NOT CMAKE_CROSSCOMPILING)
  set(_completions ${CMAKE_BINARY_DIR}/package/completions)
  install(FILES ${_completions}/zentrel-flash
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)
  install(FILES ${_completions}/_zentrel-flash
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/zsh/vendor-completions)
  install(FILES ${_completions}/zentrel-flash.fish
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/fish/vendor_completions.d)
endif()

# Compressed as Debian wants them: gzip -9, and -n for no time stamp, so
# that the package is reproducible.
find_program(ZENTREL_GZIP gzip)
function(zentrel_install_gzipped file destination)
  if(NOT ZENTREL_GZIP)
    message(STATUS "gzip not found: ${file} not installed")
    return()
  endif()
  get_filename_component(_name ${file} NAME)
  set(_out ${CMAKE_BINARY_DIR}/package/gz/${_name}.gz)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/package/gz)
  execute_process(COMMAND ${ZENTREL_GZIP} -9 -n -c ${file} OUTPUT_FILE ${_out}
                  RESULT_VARIABLE _failed)
  if(_failed)
    message(FATAL_ERROR "gzip ${file} failed")
  endif()
  if(file MATCHES "^${PROJECT_SOURCE_DIR}/")
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
  endif()
  install(FILES ${_out} DESTINATION ${destination})
endfunction()

# The udev rule that lets the user at the seat open the device's hidraw node,
# for the window and the command line alike (a build without Qt included). It
# matches the IDs as udev prints them: four lower-case hex digits.
function(zentrel_udev_hex out value)
  math(EXPR _number "${value}" OUTPUT_FORMAT HEXADECIMAL)
  string(SUBSTRING "${_number}" 2 -1 _digits)
  string(TOLOWER "${_digits}" _digits)
  string(LENGTH "${_digits}" _length)
  while(_length LESS 4)
    string(PREPEND _digits "0")
    math(EXPR _length "${_length} + 1")
  endwhile()
  set(${out} "${_digits}" PARENT_SCOPE)
endfunction()
zentrel_udev_hex(ZENTREL_UDEV_VENDOR "${ZENTREL_VENDOR_ID}")
zentrel_udev_hex(ZENTREL_UDEV_PRODUCT "${ZENTREL_PRODUCT_ID}")
set(ZENTREL_UDEV_RULES_DIR "lib/udev/rules.d" CACHE PATH
    "Where cmake --install puts the udev rule (relative to the prefix)")
configure_file(${PROJECT_SOURCE_DIR}/packaging/linux/70-zentrel-loader.rules.in
               ${CMAKE_BINARY_DIR}/package/70-zentrel-loader.rules @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/package/70-zentrel-loader.rules
        DESTINATION ${ZENTREL_UDEV_RULES_DIR})

# The man pages, written by hand; tests/packaging keeps zentrel-flash.1 in
# step with the program's --help.
zentrel_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/linux/man/zentrel-flash.1
                        ${CMAKE_INSTALL_MANDIR}/man1)
if(ZENTREL_BUILD_QT)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/linux/zentrel-loader.svg
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
  zentrel_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/linux/man/zentrel-loader.1
                          ${CMAKE_INSTALL_MANDIR}/man1)
  zentrel_install_gzipped(${PROJECT_SOURCE_DIR}/packaging/linux/man/zentrel-loader-demo.1
                          ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# The changelog Debian asks of every package, dated by SOURCE_DATE_EPOCH when
# that is set.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ZENTREL_PACKAGE_MAINTAINER}")
string(TIMESTAMP ZENTREL_PACKAGE_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${PROJECT_SOURCE_DIR}/packaging/deb/changelog.in
               ${CMAKE_BINARY_DIR}/package/changelog @ONLY)
zentrel_install_gzipped(${CMAKE_BINARY_DIR}/package/changelog ${ZENTREL_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/deb/postinst ${PROJECT_SOURCE_DIR}/packaging/deb/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
