# The Debian package: `cpack -G DEB` (or `cmake --build build --target
# package`) in a build folder makes telmira_<version>_amd64.deb holding what
# the install step puts in place, under /usr. Its library dependencies are
# computed from the programs by dpkg-shlibdeps; postinst refreshes the
# desktop's databases where no dpkg trigger does it. There is no postrm on
# purpose: dpkg keeps a package with one in its "config-files" state after
# `apt-get remove`, and on Debian the triggers of desktop-file-utils,
# shared-mime-info and hicolor-icon-theme refresh the databases on removal.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME telmira)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Telmira")
set(CPACK_PACKAGE_CONTACT "Telmira developers <telmira@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "content analysis of texts: segments and their coding")
# The summary is the description's first line; CPack indents the rest and
# marks the empty line between paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Telmira takes plain-text files into an analysis database, cuts them into
numbered sentence segments and keeps, beside them, five lists of comparison
variables. Its companion program, Analyse de contenu (telmira-codage), codes
each segment against those lists and exports the coding as CSV.

The user interface is in French.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not libraries, so not found by shlibdeps: Qt's own French texts (dialogs,
# key names) and the fonts metric-compatible with those the windows are laid
# out for.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${CMAKE_CURRENT_LIST_DIR}/debian/postinst")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_IGNORE_FILES "/build[^/]*/;/\\\\.git/")
include(CPack)
