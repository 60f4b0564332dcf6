# SPDX-License-Identifier: MIT
# What `cmake --install` puts where (GNUInstallDirs), and the Debian package that
# `cpack -G DEB` makes from it. Only the programs and what the desktop, man and bash
# need are installed; nothing the tests or benchmarks alone use.

set(_data ${PROJECT_SOURCE_DIR}/data)

install(TARGETS quorvel-cli quorvel-emulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${_data}/quorvel-cli.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME quorvel-cli)
if(TARGET quorvel)
  install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${_data}/quorvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${_data}/quorvel.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
  install(FILES ${_data}/quorvel.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

# Manual pages, made at build time by help2man from each program's --help and
# --version, so they list every option and sub-command the program has.
find_program(HELP2MAN_EXECUTABLE help2man)
find_program(GZIP_EXECUTABLE gzip)
if(HELP2MAN_EXECUTABLE AND GZIP_EXECUTABLE)
  set(_man_pages "")
  set(_man_programs quorvel-cli quorvel-emulator)
  if(TARGET quorvel)
    list(APPEND _man_programs quorvel)
  endif()
  set(_man_name_quorvel "test terminal for fiscal printers")
  set(_man_name_quorvel-cli "send fiscal printer commands and handle terminal files from a shell")
  set(_man_name_quorvel-emulator "a fiscal printer on pseudo-terminals, for tests and demonstrations")
  foreach(_program IN LISTS _man_programs)
    set(_page ${CMAKE_CURRENT_BINARY_DIR}/man/${_program}.1)
    set(_include_commands "")
    set(_include_option "")
    if(_program STREQUAL "quorvel-cli")
      # Every sub-command's own --help, as a section of its own.
      set(_include ${CMAKE_CURRENT_BINARY_DIR}/man/quorvel-cli-sub-commands.h2m)
      set(_include_commands
          COMMAND ${CMAKE_COMMAND} -DCLI=$<TARGET_FILE:quorvel-cli> -DOUTPUT=${_include}
                  -P ${PROJECT_SOURCE_DIR}/cmake/QuorvelCliManSections.cmake)
      set(_include_option --include=${_include})
    endif()
    add_custom_command(
      OUTPUT ${_page}.gz
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
      ${_include_commands}
      COMMAND ${HELP2MAN_EXECUTABLE} --no-info --section=1 "--name=${_man_name_${_program}}"
              ${_include_option} --output=${_page} $<TARGET_FILE:${_program}>
      COMMAND ${GZIP_EXECUTABLE} -9nf ${_page}
      DEPENDS ${_program} ${PROJECT_SOURCE_DIR}/cmake/QuorvelCliManSections.cmake
      COMMENT "Manual page ${_program}.1"
      VERBATIM)
    list(APPEND _man_pages ${_page}.gz)
  endforeach()
  add_custom_target(quorvel_man_pages ALL DEPENDS ${_man_pages})
  install(FILES ${_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man or gzip not found: no manual pages (scripts/install-deps.sh installs them)")
endif()

# The licence and the change log where Debian looks for them, made at configure time:
# the copyright file in Debian's machine-readable form around LICENSE, and the change
# log compressed as Debian wants it (gzip -9n).
set(_doc ${CMAKE_INSTALL_DATADIR}/doc/quorvel)
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _license)
string(REGEX REPLACE "\n$" "" _license "${_license}")
string(REGEX REPLACE "\n\n" "\n.\n" _license "${_license}")
string(REGEX REPLACE "\n" "\n " _license "${_license}")
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/packaging/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: Quorvel\n\n"
     "Files: *\n"
     "Copyright: 2026 The Quorvel developers\n"
     "License: Expat\n"
     " ${_license}\n")
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/copyright DESTINATION ${_doc})
if(GZIP_EXECUTABLE)
  execute_process(COMMAND ${GZIP_EXECUTABLE} -9nc ${PROJECT_SOURCE_DIR}/packaging/changelog
                  OUTPUT_FILE ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
                                                                ${PROJECT_SOURCE_DIR}/LICENSE)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${_doc})
endif()

# The Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR "The Quorvel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Quorvel developers <quorvel@example.org>" CACHE STRING
    "Maintainer of the Debian package: Name <address>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test terminal for fiscal printers")
# The synopsis is CPACK_PACKAGE_DESCRIPTION_SUMMARY; this is the text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Quorvel composes fiscal printer commands in forms built from a terminal file\n"
    "(.qvl), sends them on a serial line or USB, and shows the answer decoded field\n"
    "by field, with the printer and fiscal status words as coloured texts. It also\n"
    "drives the printer's second (fiscal) port, keeps a hexadecimal communication\n"
    "log and edits terminal files.\n"
    ".\n"
    "The package holds the desktop program, quorvel-cli for shells and scripts, and\n"
    "quorvel-emulator, a printer on pseudo-terminals for tests and demonstrations.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
# The desktop entry, mime and icon caches are refreshed by the triggers of the
# packages that own them (desktop-file-utils, shared-mime-info, hicolor-icon-theme).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
