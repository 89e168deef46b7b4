# The Debian package for users: `cpack -G DEB` in the build folder makes
# mirvak_<version>_<arch>.deb with the program, its desktop entry, icon,
# manual page, copyright and changelog -- everything installed as the
# Runtime component, and nothing of the engine's development files.
# dpkg-shlibdeps works out the library dependencies from the binary.

set(_deb_src ${CMAKE_CURRENT_SOURCE_DIR}/packaging/deb)
set(_deb_gen ${CMAKE_CURRENT_BINARY_DIR}/packaging/deb)
set(_deb_doc ${CMAKE_INSTALL_DATAROOTDIR}/doc/mirvak)
file(MAKE_DIRECTORY ${_deb_gen})

# Debian wants the changelog and the manual page compressed at the highest
# level and without a time stamp, so that rebuilding gives the same bytes.
find_program(MIRVAK_GZIP gzip REQUIRED)
foreach(_deb_pair "changelog;changelog.gz" "mirvak.1;mirvak.1.gz")
  list(GET _deb_pair 0 _in)
  list(GET _deb_pair 1 _out)
  add_custom_command(OUTPUT ${_deb_gen}/${_out}
    COMMAND ${MIRVAK_GZIP} -9 -n -c ${_deb_src}/${_in} > ${_deb_gen}/${_out}
    DEPENDS ${_deb_src}/${_in}
    VERBATIM)
endforeach()
add_custom_target(mirvak_deb_docs ALL DEPENDS ${_deb_gen}/changelog.gz ${_deb_gen}/mirvak.1.gz)

install(FILES ${_deb_src}/copyright ${_deb_gen}/changelog.gz DESTINATION ${_deb_doc} COMPONENT Runtime)
install(FILES ${_deb_gen}/mirvak.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME mirvak)
set(CPACK_PACKAGE_VENDOR "Mirvak")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Mirvak developers <mirvak@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "arithmetic drill sheets for pupils, printed through CUPS")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

# Only what a user runs: the Runtime component, as one package named mirvak.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL Runtime)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_PACKAGE_NAME mirvak)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Mirvak developers <mirvak@example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://mirvak.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese faces for the printed titles and the Japanese interface, the
# toolkit's own translations, and a print server to print on.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups")
# The summary above is the first line; this is the long description.
set(CPACK_PACKAGE_DESCRIPTION
  "Mirvak prints sheets of 100 two-digit addition and subtraction problems
(with and without carry and borrow, in shuffled order) on two A4 pages,
each with an answer page. Choose a range of sheet numbers, page through
the preview, zoom and print; or write the sheets to a PDF from the
command line.

The interface is Japanese or English by the system locale.")

include(CPack)
