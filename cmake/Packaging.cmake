# Packaging.cmake — `make package`: the Debian package varnholt_<version>_<arch>.deb, made by CPack's DEB
# generator from the install rules of package/CMakeLists.txt (why CPack: docs/dependencies.md).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varnholt)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "files the PDF reports of laboratory instruments")
# Debian wants the lines of the long description shorter than 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "Varnholt watches the queue folder that a PDF printer saves the reports of\n\
analytical instruments into, has each report's texts extracted by its PDF\n\
engine, and runs the site's action script, a small Pascal dialect, which\n\
renames, archives, appends, stamps or prints the report. Whatever the script\n\
leaves behind is printed and kept for an operator. It runs as a service\n\
(varnholt-cli watch) and as a window with a notification-area icon.")
set(VARNHOLT_PACKAGE_MAINTAINER "Varnholt developers <varnholt@example.org>" CACHE STRING
  "The Maintainer field of the Debian package")
set(CPACK_PACKAGE_CONTACT "${VARNHOLT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from what the programs link; the rest are programs and plugins that they run or load:
# useradd for the service's user (postinst), the Qt platform plugins for the window, and the print server:
# every report arrives through a printer, and what a script leaves behind is printed on paper. The engine
# loads Tesseract only when a scanned page needs it (so shlibdeps cannot see it), with its English data.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "passwd, qt6-qpa-plugins, cups, libtesseract5, tesseract-ocr-eng")
# The PDF printer (a site may have another), the lp tools for checking it, xdg-open for the help page.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "printer-driver-cups-pdf, cups-client, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  "${CMAKE_SOURCE_DIR}/package/postinst;${CMAKE_SOURCE_DIR}/package/prerm;${CMAKE_SOURCE_DIR}/package/postrm")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The build keeps its debugging symbols; the package does not need them.
set(CPACK_STRIP_FILES ON)
include(CPack)
