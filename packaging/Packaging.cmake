# The Debian package (scripts/package: cpack -G DEB): the installed files under /usr, the
# shared libraries' packages found by dpkg-shlibdeps. Written to <build>/package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorlet)
set(CPACK_PACKAGE_VENDOR "Vorlet")
set(CPACK_PACKAGE_CONTACT "Vorlet developers <vorlet@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find invalid files by the signature of their first block")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Vorlet searches folders for invalid files: for every file whose name passes
the file-type patterns it reads one block at the start, takes its MD5 digest
and looks it up in a signature database. Hits are listed, counted, logged and,
as the settings say, left alone, deleted, renamed or moved.

The package holds the desktop program vorlet (Japanese interface) and the
command-line front end vorlet-scan for scripts and scheduled searches.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not libraries, but what the desktop program needs to look as it should and to open its
# help file and logs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n, xdg-utils")
include(CPack)
