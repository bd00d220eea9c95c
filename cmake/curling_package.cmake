# The Debian package, made in a build folder by `cpack -G DEB`:
# curling_<version>_<arch>.deb with everything `cmake --install` puts under
# the prefix /usr.
if(CURLING_SANITIZE)
  # A sanitized library loads only into sanitized programs: never ship one.
  return()
endif()

set(CURLING_PACKAGE_MAINTAINER "Curling engine maintainers <maintainers@curling.invalid>" CACHE STRING
  "Maintainer named in the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME curling)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${CURLING_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "computer curling player, match runner and physics library")
# (CPack puts the summary first and indents each line)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "curling-engine plays curling over a text protocol on standard input
and output; curling-match plays games between such players with
execution noise, clocks and records; curling-draw-player is a baseline
opponent.

libCurlingSimulator is the deterministic physics they use, with a C
header, a CMake package (find_package(CurlingSimulator)), a pkg-config
file (curling-simulator) and a Python module (curling_simulator).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# Dependencies are read from the binaries, so a build with a shared C++
# runtime also asks for it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A shlibs file, and ldconfig run on install and removal.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3, python3-numpy")
set(CPACK_STRIP_FILES ON)
include(CPack)
