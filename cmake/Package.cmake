# `cpack` in a build tree makes a Debian package of what cmake/Install.cmake installs, with the
# dependencies dpkg-shlibdeps reads from the programs (Debian's own Qt, zlib and C++ runtime packages).
# The desktop, MIME and icon caches are refreshed by the triggers of the packages that own them, so the
# package carries no maintainer scripts.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TESSALINE_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "Vantoridge")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "slicer and printer host for filament 3D printers")
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${TESSALINE_PACKAGE_NAME})
set(CPACK_STRIP_FILES ON)

set(TESSALINE_PACKAGE_MAINTAINER "Tessaline suite maintainers <maintainers@tessaline.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TESSALINE_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The icons' folders need the theme's index to be looked up; the caches are built by these packages'
# triggers.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils, shared-mime-info, xdg-utils")
# The long description below the summary; cpack indents it and marks the empty line as a paragraph break.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Tessaline loads STL and OBJ models, places them on the build plate,
adds supports and slices them into G-code; it previews G-code layer by layer
in a 3D view. Spoolwatch finds Taliform printers on USB, streams G-code to
them and updates their firmware.

The command-line tools tessaline-cli and spoolwatch-cli slice and print
without a display.")
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
