# Install rules and packages: a .deb for Debian (preset "deb") and a .zip of the
# MinGW build for Windows (preset "windows-zip"). The version is project()'s.
include(GNUInstallDirs)

option(MORVELLAN_DEBIAN_LAYOUT
       "Install the documents as Debian policy wants them: man page compressed, copyright and changelog in place of LICENSE"
       OFF)
set(MORVELLAN_MAINTAINER "The Morvellan developers <morvellan@example.org>"
    CACHE STRING "Maintainer named in the packages: name <address>")

set(DocumentDir ${CMAKE_BINARY_DIR}/documents)
file(MAKE_DIRECTORY ${DocumentDir})

# One custom command that runs a script of cmake/ on a file of the source tree.
function(morvellan_document Script Input Output)
  add_custom_command(OUTPUT ${Output}
                     COMMAND ${CMAKE_COMMAND} -DInput=${Input} -DOutput=${Output} ${ARGN}
                             -P ${CMAKE_SOURCE_DIR}/cmake/${Script}
                     DEPENDS ${Input} ${CMAKE_SOURCE_DIR}/cmake/${Script}
                     VERBATIM)
endfunction()

# One manual source for both platforms: the page keeps the passages of the
# platform being built (the profile folder or ~/.cvsignore, console events or
# signals, CR LF or LF).
if(WIN32)
  set(ManPlatform windows)
else()
  set(ManPlatform posix)
endif()
morvellan_document(man_page.cmake ${CMAKE_SOURCE_DIR}/doc/Morvellan.1 ${DocumentDir}/Morvellan.1
                   -DVersion=${PROJECT_VERSION} -DPlatform=${ManPlatform})

# Installs Directory/Name as a symbolic link to Target in the same directory,
# relative so that the installed tree can be moved. On a case-insensitive file
# system a name that differs from Target only in case is Target itself, so an
# existing file that is not a link is left alone.
function(morvellan_install_link Directory Name Target)
  install(CODE "set(Link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${Directory}/${Name}\")
    set(Old \"\")
    if(IS_SYMLINK \"\${Link}\")
      file(READ_SYMLINK \"\${Link}\" Old)
    endif()
    if(EXISTS \"\${Link}\" AND NOT IS_SYMLINK \"\${Link}\")
      message(STATUS \"Keeping: \${Link} (not a link; a case-insensitive file system?)\")
    elseif(Old STREQUAL \"${Target}\")
      message(STATUS \"Up-to-date: \${Link} -> ${Target}\")
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${Link}\")
    else()
      message(STATUS \"Installing: \${Link} -> ${Target}\")
      file(CREATE_LINK \"${Target}\" \"\${Link}\" SYMBOLIC)
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${Link}\")
    endif()")
endfunction()

if(WIN32)
  # One folder: the program beside its documents, as text files that Notepad reads.
  install(TARGETS Morvellan RUNTIME DESTINATION .)
  # Windows has no man reader, so the manual goes as text; mandoc runs on the
  # build host, also when cross-compiling.
  find_program(MORVELLAN_MANDOC mandoc)
  if(NOT MORVELLAN_MANDOC)
    message(FATAL_ERROR "mandoc not found: it renders the manual page as Morvellan.txt for the "
                        "Windows package. Install it (Debian: apt-get install mandoc) or set "
                        "MORVELLAN_MANDOC to its path.")
  endif()
  # README.md is Markdown for the source tree, with Linux build steps; Windows
  # users get a short plain-text guide of their own.
  morvellan_document(crlf.cmake ${CMAKE_SOURCE_DIR}/doc/README-windows.txt ${DocumentDir}/README.txt)
  morvellan_document(crlf.cmake ${CMAKE_SOURCE_DIR}/LICENSE ${DocumentDir}/LICENSE.txt)
  morvellan_document(man_text.cmake ${DocumentDir}/Morvellan.1 ${DocumentDir}/Morvellan.txt
                     -DMandoc=${MORVELLAN_MANDOC})
  set(Documents ${DocumentDir}/README.txt ${DocumentDir}/LICENSE.txt ${DocumentDir}/Morvellan.txt)
  install(FILES ${Documents} DESTINATION .)
else()
  install(TARGETS Morvellan RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The lower-case command that users type.
  morvellan_install_link(${CMAKE_INSTALL_BINDIR} morvellan $<TARGET_FILE_NAME:Morvellan>)
  set(DocDir ${CMAKE_INSTALL_DATADIR}/doc/morvellan)
  set(Documents ${DocumentDir}/Morvellan.1)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md DESTINATION ${DocDir})
  if(MORVELLAN_DEBIAN_LAYOUT)
    # The MIT text becomes the Expat paragraph of a machine-readable copyright file.
    file(READ ${CMAKE_SOURCE_DIR}/LICENSE LicenseText)
    string(REGEX MATCH "Copyright \\(c\\) ([^\n]+)" CopyrightLine "${LicenseText}")
    set(CopyrightHolders "${CMAKE_MATCH_1}")
    string(FIND "${LicenseText}" "Permission is hereby granted" PermissionStart)
    if(NOT CopyrightHolders OR PermissionStart LESS 0)
      message(FATAL_ERROR "LICENSE: no copyright line or no permission notice")
    endif()
    string(SUBSTRING "${LicenseText}" ${PermissionStart} -1 Permission)
    string(STRIP "${Permission}" Permission)
    string(REPLACE "\n\n" "\n.\n" Permission "${Permission}")
    string(REPLACE "\n" "\n " Permission "${Permission}")
    file(WRITE ${DocumentDir}/copyright
         "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
         "Upstream-Name: Morvellan\n"
         "\n"
         "Files: *\n"
         "Copyright: ${CopyrightHolders}\n"
         "License: Expat\n"
         " ${Permission}\n")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in)

    # A native package's history is usr/share/doc/<package>/changelog.gz; its
    # newest entry must be this release.
    configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in ${DocumentDir}/changelog @ONLY)
    file(STRINGS ${DocumentDir}/changelog NewestEntry LIMIT_COUNT 1)
    if(NOT NewestEntry MATCHES "^morvellan \\(${PROJECT_VERSION}\\) ")
      message(FATAL_ERROR "cmake/debian/changelog.in: the newest entry is not ${PROJECT_VERSION}: ${NewestEntry}")
    endif()

    morvellan_document(gzip.cmake ${DocumentDir}/Morvellan.1 ${DocumentDir}/Morvellan.1.gz)
    morvellan_document(gzip.cmake ${DocumentDir}/changelog ${DocumentDir}/changelog.gz)
    list(APPEND Documents ${DocumentDir}/Morvellan.1.gz ${DocumentDir}/changelog.gz)
    install(FILES ${DocumentDir}/Morvellan.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    # Debian wants a page under each command's exact name: man-db would find
    # Morvellan.1 for "man morvellan" anyway, but lintian does not.
    morvellan_install_link(${CMAKE_INSTALL_MANDIR}/man1 morvellan.1.gz Morvellan.1.gz)
    install(FILES ${DocumentDir}/copyright ${DocumentDir}/changelog.gz DESTINATION ${DocDir})
    # A stripped install also loses the compiler's notes, as dh_strip does.
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
        execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
                                \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:Morvellan>\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endif()")
  else()
    install(FILES ${DocumentDir}/Morvellan.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${DocDir})
  endif()
endif()
add_custom_target(morvellan_documents ALL DEPENDS ${Documents})

set(CPACK_PACKAGE_VENDOR "The Morvellan developers")
set(CPACK_PACKAGE_CONTACT "${MORVELLAN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "remove ignored files from CVS working copies")
set(CPACK_PACKAGE_DESCRIPTION
    "Morvellan cleans CVS working copies of files that should never have been
committed. It reads the file-name patterns of the user's .cvsignore, walks a
working copy and drops the lines of CVS/Entries and CVS/Entries.Extra whose
name matches a pattern. Where the repository is on a local disk, it also
deletes the matching revision files from the repository.

Test mode, the default, only writes what would change to a log; the -f option
makes the changes. Each entries file is replaced in one atomic step, and
revision files go only after their entries. Working files are never touched.")
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_PACKAGE_NAME morvellan)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
