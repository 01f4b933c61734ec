# The Debian package: `cpack --config build/CPackConfig.cmake -B build/package` (or the `package`
# target) writes petalwright_VERSION_ARCH.deb. Depends comes from the binaries' shared libraries.

set(PETALWRIGHT_PACKAGE_MAINTAINER "Petalwright maintainers <maintainers@users.noreply.c-seed-90cb74fa.example>"
    CACHE STRING "Maintainer field of the Debian package")

# Debian's documentation of the package: the copyright file and the changelog, compressed without
# a time stamp. The package version has no Debian revision, so the changelog is changelog.gz.
set(debian_doc ${CMAKE_INSTALL_DATADIR}/doc/petalwright)
add_custom_command(OUTPUT changelog.gz
    COMMAND sh -c "gzip -9n < '${CMAKE_CURRENT_SOURCE_DIR}/packaging/debian/changelog' > changelog.gz"
    DEPENDS packaging/debian/changelog VERBATIM)
add_custom_target(petalwright_debian_changelog ALL DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
install(FILES packaging/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${debian_doc})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME petalwright)
set(CPACK_PACKAGE_VENDOR "The Petalwright developers")
set(CPACK_PACKAGE_CONTACT "${PETALWRIGHT_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PETALWRIGHT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not libraries, so not found by the shared-library scan: the form font, Qt's Japanese dialog
# texts and the opener that hands the help page to the browser.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic, qt6-translations-l10n, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "daisy-like 3-D flowers as DXF drawings")
# The extended description; CPack puts the summary above it as the first line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Petalwright turns six numbers (petals per ring, number of rings, width step,
scale of the last ring, start and end growth angle) into a three-dimensional
flower and saves it as a DXF drawing made only of 3DFACE entities, ready for
any CAD program. Its windows are Japanese and show a preview of the flower;
the command petalwright-cli writes the same files for scripts.")
include(CPack)
