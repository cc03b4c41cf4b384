# Debian packages made with CPack: "orvanta" (the program, the search
# service and what they bring for the desktop) and "orvanta-browser" (the
# preferences window's browser helper, which pulls in Qt WebEngine; orvanta
# recommends it). Dependencies come from the shared libraries the programs
# use (dpkg-shlibdeps). scripts/package builds them.
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/nsis.cmake)
  return()
endif()
if(NOT UNIX OR APPLE)
  return()
endif()

set(ORVANTA_DEB_MAINTAINER "The Orvanta authors <authors@orvanta.org>")

# Every package carries its copyright file and changelog where Debian
# keeps them.
set(ORVANTA_DEB_DOC ${CMAKE_CURRENT_BINARY_DIR}/deb-doc)
file(MAKE_DIRECTORY ${ORVANTA_DEB_DOC})
string(TIMESTAMP ORVANTA_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
foreach(package orvanta orvanta-browser)
  file(WRITE ${ORVANTA_DEB_DOC}/${package}.changelog
    "${package} (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}.\n\n"
    " -- ${ORVANTA_DEB_MAINTAINER}  ${ORVANTA_CHANGELOG_DATE}\n")
endforeach()
file(READ ${CMAKE_SOURCE_DIR}/LICENSE ORVANTA_LICENSE_TEXT)
string(REGEX REPLACE "\n\n" "\n.\n" ORVANTA_LICENSE_PARAGRAPHS "${ORVANTA_LICENSE_TEXT}")
string(REGEX REPLACE "\n([^\n])" "\n \\1" ORVANTA_LICENSE_INDENTED "${ORVANTA_LICENSE_PARAGRAPHS}")
file(WRITE ${ORVANTA_DEB_DOC}/copyright
  "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
  "Upstream-Name: orvanta\n\n"
  "Files: *\n"
  "Copyright: 2026 The Orvanta authors\n"
  "License: MIT\n"
  " ${ORVANTA_LICENSE_INDENTED}")
find_program(ORVANTA_GZIP gzip REQUIRED)
set(ORVANTA_DEB_PACKAGES orvanta)
if(ORVANTA_WITH_BROWSER)
  list(APPEND ORVANTA_DEB_PACKAGES orvanta-browser)
endif()
foreach(package ${ORVANTA_DEB_PACKAGES})
  set(component ${package})
  if(package STREQUAL "orvanta-browser")
    set(component browser)
  endif()
  add_custom_command(OUTPUT ${ORVANTA_DEB_DOC}/${package}/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ORVANTA_DEB_DOC}/${package}
    COMMAND ${ORVANTA_GZIP} -9nc ${ORVANTA_DEB_DOC}/${package}.changelog > ${ORVANTA_DEB_DOC}/${package}/changelog.Debian.gz
    DEPENDS ${ORVANTA_DEB_DOC}/${package}.changelog)
  list(APPEND ORVANTA_DEB_DOC_FILES ${ORVANTA_DEB_DOC}/${package}/changelog.Debian.gz)
  install(FILES ${ORVANTA_DEB_DOC}/copyright ${ORVANTA_DEB_DOC}/${package}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
endforeach()
add_custom_target(orvanta_deb_doc ALL DEPENDS ${ORVANTA_DEB_DOC_FILES})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvanta)
set(CPACK_PACKAGE_VENDOR "The Orvanta authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${ORVANTA_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
if(ORVANTA_WITH_BROWSER)
  set(CPACK_COMPONENTS_ALL orvanta browser)
else()
  set(CPACK_COMPONENTS_ALL orvanta)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ORVANTA_DEB_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://orvanta.org/")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)

set(CPACK_DEBIAN_ORVANTA_PACKAGE_NAME orvanta)
# Qt loads its platform plugins at run time, where dpkg-shlibdeps cannot
# see them; the program opens hits through xdg-open.
set(CPACK_DEBIAN_ORVANTA_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_ORVANTA_PACKAGE_RECOMMENDS "orvanta-browser, xdg-utils")
set(CPACK_COMPONENT_ORVANTA_DESCRIPTION "desktop search from a drop-down panel
A small button drawn like an item of a menu bar near the top of the screen
drops down a search panel; the words typed there go to the desktop search
service on the same computer, and the hits come back grouped by kind.
Includes local-search-service, a small desktop search service on the
loopback interface.")

set(CPACK_DEBIAN_BROWSER_PACKAGE_NAME orvanta-browser)
set(CPACK_DEBIAN_BROWSER_PACKAGE_DEPENDS "orvanta (= ${PROJECT_VERSION}-1)")
set(CPACK_COMPONENT_BROWSER_DESCRIPTION "browser helper of the Orvanta preferences window
Shows the pages of the desktop search service inside Orvanta's preferences
window. It runs in a process of its own, so that the program itself does
not load the browser engine.")

include(CPack)
